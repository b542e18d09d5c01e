#pragma once
// Filter expressions: the one parser and evaluator behind Filter, remote filters and the
// dynamic filter's conditions.
//
//   expr     := term { OR term }
//   term     := factor { AND factor }
//   factor   := NOT factor | operand [ cmp-op operand | IS [NOT] NULL | [NOT] LIKE operand
//                                     | [NOT] IN ( operand { , operand } ) ]
//   operand  := field | 'string' | number | NULL | TRUE | FALSE | ( expr ) | - number
//   cmp-op   := = | <> | != | < | <= | > | >=
//
// Field names match in any letter case and may be written [with blanks] or "quoted".
// Keywords are case-insensitive. A string compared with = or <> that ends in * matches every
// value starting with the text before it, unless partial compare is switched off. Strings in
// quotes compare with date fields as dates. A comparison with a null value is false; = NULL
// and <> NULL read as IS NULL and IS NOT NULL. An operand standing alone is true when its value
// is a true boolean or a non-zero number. Bad text raises EDatabaseError naming the 1-based
// character position.

#include "DbTypes.h"
#include "RecordStore.h"

#include <functional>
#include <memory>

struct TFilterField {
    int Index = -1; // the dataset's field index
    int Slot = -1;  // slot of the stored record, -1 for fields read through the callback
    TFieldType DataType = ftUnknown;
};

class TFilterExpr {
public:
    using TResolver = std::function<bool(const QString &name, TFilterField &field)>;
    using TFieldReader = std::function<Variant(int fieldIndex)>;

    ~TFilterExpr();
    // options: foCaseInsensitive, foNoPartialCompare.
    static std::unique_ptr<TFilterExpr> Parse(const QString &text, const TResolver &resolver,
                                              int options = 0);
    // Evaluates against a stored record; fields without a slot are read through `reader`.
    bool Matches(const TRecordLayout &layout, const uchar *rec, const TFieldReader &reader) const;
    // Evaluates with every field read through `reader`.
    bool Matches(const TFieldReader &reader) const;

    struct TNode;

private:
    explicit TFilterExpr(std::unique_ptr<TNode> root);
    std::unique_ptr<TNode> FRoot;
};

// SQL LIKE: % matches any run of characters, _ any one character.
bool LikeMatch(const QString &text, const QString &pattern, bool caseInsensitive);
