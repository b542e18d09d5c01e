#include "FilterExpr.h"

#include <QAnyStringView>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

enum class TTok { End, Name, String, Number, Op, LParen, RParen, Comma };

struct TToken {
    TTok Kind = TTok::End;
    QString Text;
    int Pos = 0; // 1-based
    bool Quoted = false;
};

enum class TNodeKind { Const, Field, And, Or, Not, Cmp, Like, IsNull, In, Truth };
enum class TCmp { Eq, Ne, Lt, Le, Gt, Ge };

[[noreturn]] void SyntaxError(int pos, const QString &what) {
    throw EDatabaseError(
        QStringLiteral("Filter expression error at position %1: %2").arg(pos).arg(what));
}

} // namespace

struct TFilterExpr::TNode {
    TNodeKind Kind = TNodeKind::Const;
    TCmp Op = TCmp::Eq;
    bool Negate = false;
    Variant Value;
    TFilterField Field;
    std::vector<std::unique_ptr<TNode>> Kids;
    bool CaseInsensitive = false;
    bool Prefix = false; // trailing * on the constant: compare its start only
    // Comparison of a stored field with a constant, without building variants.
    enum class TFast { None, Number, Text } Fast = TFast::None;
    double FastNumber = 0.0;
    QByteArray FastText;
    QString FastString;
};

using TNode = TFilterExpr::TNode;

namespace {

class TLexer {
public:
    explicit TLexer(const QString &text) : FText(text) {}

    TToken Next() {
        while (FPos < FText.size() && FText[FPos].isSpace())
            ++FPos;
        TToken t;
        t.Pos = static_cast<int>(FPos) + 1;
        if (FPos >= FText.size())
            return t;
        const QChar c = FText[FPos];
        if (c == QLatin1Char('\'')) {
            t.Kind = TTok::String;
            t.Text = Quoted(QLatin1Char('\''), t.Pos);
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[')) {
            t.Kind = TTok::Name;
            t.Quoted = true;
            t.Text = Quoted(c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"'), t.Pos);
        } else if (c.isDigit() || (c == QLatin1Char('.') && FPos + 1 < FText.size() &&
                                   FText[FPos + 1].isDigit())) {
            t.Kind = TTok::Number;
            const qsizetype start = FPos;
            while (FPos < FText.size() &&
                   (FText[FPos].isDigit() || FText[FPos] == QLatin1Char('.')))
                ++FPos;
            if (FPos < FText.size() &&
                (FText[FPos] == QLatin1Char('e') || FText[FPos] == QLatin1Char('E'))) {
                qsizetype p = FPos + 1;
                if (p < FText.size() &&
                    (FText[p] == QLatin1Char('+') || FText[p] == QLatin1Char('-')))
                    ++p;
                if (p < FText.size() && FText[p].isDigit()) {
                    FPos = p;
                    while (FPos < FText.size() && FText[FPos].isDigit())
                        ++FPos;
                }
            }
            t.Text = FText.mid(start, FPos - start);
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            t.Kind = TTok::Name;
            const qsizetype start = FPos;
            while (FPos < FText.size() &&
                   (FText[FPos].isLetterOrNumber() || FText[FPos] == QLatin1Char('_') ||
                    FText[FPos] == QLatin1Char('.')))
                ++FPos;
            t.Text = FText.mid(start, FPos - start);
        } else if (c == QLatin1Char('(')) {
            t.Kind = TTok::LParen;
            ++FPos;
        } else if (c == QLatin1Char(')')) {
            t.Kind = TTok::RParen;
            ++FPos;
        } else if (c == QLatin1Char(',')) {
            t.Kind = TTok::Comma;
            ++FPos;
        } else if (c == QLatin1Char('=') || c == QLatin1Char('<') || c == QLatin1Char('>') ||
                   c == QLatin1Char('!') || c == QLatin1Char('-')) {
            t.Kind = TTok::Op;
            t.Text = c;
            ++FPos;
            if (FPos < FText.size()) {
                const QChar d = FText[FPos];
                if ((c == QLatin1Char('<') && (d == QLatin1Char('>') || d == QLatin1Char('='))) ||
                    (c == QLatin1Char('>') && d == QLatin1Char('=')) ||
                    (c == QLatin1Char('!') && d == QLatin1Char('='))) {
                    t.Text += d;
                    ++FPos;
                }
            }
            if (t.Text == QLatin1String("!"))
                SyntaxError(t.Pos, QStringLiteral("unexpected '!'"));
        } else {
            SyntaxError(t.Pos, QStringLiteral("unexpected character '%1'").arg(c));
        }
        return t;
    }

private:
    QString Quoted(QChar close, int pos) {
        QString out;
        ++FPos;
        while (true) {
            if (FPos >= FText.size())
                SyntaxError(pos, QStringLiteral("unterminated quoted text"));
            const QChar c = FText[FPos++];
            if (c == close) {
                if (close == QLatin1Char('\'') && FPos < FText.size() && FText[FPos] == close) {
                    out += c;
                    ++FPos;
                    continue;
                }
                return out;
            }
            out += c;
        }
    }

    const QString &FText;
    qsizetype FPos = 0;
};

bool IsKeyword(const TToken &t, const char *word) {
    return t.Kind == TTok::Name && !t.Quoted &&
           t.Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool IsDateType(TFieldType type) {
    return type == ftDate || type == ftTime || type == ftDateTime;
}

class TParser {
public:
    TParser(const QString &text, const TFilterExpr::TResolver &resolver, int options)
        : FLexer(text), FResolver(resolver), FCaseInsensitive(options & foCaseInsensitive),
          FPartial(!(options & foNoPartialCompare)) {
        Advance();
    }

    std::unique_ptr<TNode> ParseAll() {
        if (FTok.Kind == TTok::End)
            SyntaxError(FTok.Pos, QStringLiteral("empty expression"));
        auto node = ParseOr(0);
        if (FTok.Kind != TTok::End)
            SyntaxError(FTok.Pos, QStringLiteral("unexpected '%1'").arg(TokenText()));
        return node;
    }

private:
    static constexpr int MaxDepth = 200;

    void Advance() { FTok = FLexer.Next(); }

    QString TokenText() const {
        switch (FTok.Kind) {
        case TTok::LParen:
            return QStringLiteral("(");
        case TTok::RParen:
            return QStringLiteral(")");
        case TTok::Comma:
            return QStringLiteral(",");
        case TTok::String:
            return QLatin1Char('\'') + FTok.Text + QLatin1Char('\'');
        case TTok::End:
            return QStringLiteral("end of text");
        default:
            return FTok.Text;
        }
    }

    std::unique_ptr<TNode> Binary(TNodeKind kind, std::unique_ptr<TNode> a,
                                  std::unique_ptr<TNode> b) {
        auto n = std::make_unique<TNode>();
        n->Kind = kind;
        n->Kids.push_back(std::move(a));
        n->Kids.push_back(std::move(b));
        return n;
    }

    void CheckDepth(int depth) {
        if (depth > MaxDepth)
            SyntaxError(FTok.Pos, QStringLiteral("expression nested too deeply"));
    }

    std::unique_ptr<TNode> ParseOr(int depth) {
        CheckDepth(depth);
        auto left = ParseAnd(depth);
        while (IsKeyword(FTok, "or")) {
            Advance();
            left = Binary(TNodeKind::Or, std::move(left), ParseAnd(depth));
        }
        return left;
    }

    std::unique_ptr<TNode> ParseAnd(int depth) {
        auto left = ParseFactor(depth);
        while (IsKeyword(FTok, "and")) {
            Advance();
            left = Binary(TNodeKind::And, std::move(left), ParseFactor(depth));
        }
        return left;
    }

    std::unique_ptr<TNode> ParseFactor(int depth) {
        CheckDepth(depth);
        if (IsKeyword(FTok, "not")) {
            Advance();
            auto n = std::make_unique<TNode>();
            n->Kind = TNodeKind::Not;
            n->Kids.push_back(ParseFactor(depth + 1));
            return n;
        }
        const int pos = FTok.Pos;
        auto left = ParseOperand(depth);
        if (FTok.Kind == TTok::Op && FTok.Text != QLatin1String("-")) {
            const QString op = FTok.Text;
            Advance();
            const int rightPos = FTok.Pos;
            auto right = ParseOperand(depth);
            return Compare(op, std::move(left), std::move(right), rightPos);
        }
        if (IsKeyword(FTok, "is")) {
            Advance();
            auto n = std::make_unique<TNode>();
            n->Kind = TNodeKind::IsNull;
            if (IsKeyword(FTok, "not")) {
                n->Negate = true;
                Advance();
            }
            if (!IsKeyword(FTok, "null"))
                SyntaxError(FTok.Pos, QStringLiteral("NULL expected after IS"));
            Advance();
            n->Kids.push_back(std::move(left));
            return n;
        }
        bool negate = false;
        if (IsKeyword(FTok, "not")) {
            negate = true;
            Advance();
            if (!IsKeyword(FTok, "like") && !IsKeyword(FTok, "in"))
                SyntaxError(FTok.Pos, QStringLiteral("LIKE or IN expected after NOT"));
        }
        if (IsKeyword(FTok, "like")) {
            Advance();
            auto n = std::make_unique<TNode>();
            n->Kind = TNodeKind::Like;
            n->Negate = negate;
            n->CaseInsensitive = FCaseInsensitive;
            n->Kids.push_back(std::move(left));
            n->Kids.push_back(ParseOperand(depth));
            return n;
        }
        if (IsKeyword(FTok, "in")) {
            Advance();
            if (FTok.Kind != TTok::LParen)
                SyntaxError(FTok.Pos, QStringLiteral("'(' expected after IN"));
            Advance();
            auto n = std::make_unique<TNode>();
            n->Kind = TNodeKind::In;
            n->Negate = negate;
            n->CaseInsensitive = FCaseInsensitive;
            n->Kids.push_back(std::move(left));
            while (true) {
                n->Kids.push_back(ParseOperand(depth));
                if (FTok.Kind == TTok::Comma) {
                    Advance();
                    continue;
                }
                if (FTok.Kind != TTok::RParen)
                    SyntaxError(FTok.Pos, QStringLiteral("')' expected"));
                Advance();
                break;
            }
            return n;
        }
        if (left->Kind == TNodeKind::And || left->Kind == TNodeKind::Or ||
            left->Kind == TNodeKind::Not || left->Kind == TNodeKind::Cmp ||
            left->Kind == TNodeKind::Like || left->Kind == TNodeKind::IsNull ||
            left->Kind == TNodeKind::In || left->Kind == TNodeKind::Truth)
            return left;
        Q_UNUSED(pos);
        auto n = std::make_unique<TNode>();
        n->Kind = TNodeKind::Truth;
        n->Kids.push_back(std::move(left));
        return n;
    }

    std::unique_ptr<TNode> ParseOperand(int depth) {
        auto n = std::make_unique<TNode>();
        const TToken t = FTok;
        switch (t.Kind) {
        case TTok::LParen: {
            Advance();
            auto inner = ParseOr(depth + 1);
            if (FTok.Kind != TTok::RParen)
                SyntaxError(FTok.Pos, QStringLiteral("')' expected"));
            Advance();
            return inner;
        }
        case TTok::String:
            n->Value = Variant(t.Text);
            Advance();
            return n;
        case TTok::Number:
            n->Value = ReadNumber(t.Text, t.Pos, false);
            Advance();
            return n;
        case TTok::Op:
            if (t.Text == QLatin1String("-")) {
                Advance();
                if (FTok.Kind != TTok::Number)
                    SyntaxError(FTok.Pos, QStringLiteral("number expected after '-'"));
                n->Value = ReadNumber(FTok.Text, FTok.Pos, true);
                Advance();
                return n;
            }
            break;
        case TTok::Name:
            if (IsKeyword(t, "null")) {
                n->Value = Variant::Null();
                Advance();
                return n;
            }
            if (IsKeyword(t, "true") || IsKeyword(t, "false")) {
                n->Value = Variant(IsKeyword(t, "true"));
                Advance();
                return n;
            }
            if (!t.Quoted && (IsKeyword(t, "and") || IsKeyword(t, "or") || IsKeyword(t, "not") ||
                              IsKeyword(t, "is") || IsKeyword(t, "like") || IsKeyword(t, "in")))
                break;
            n->Kind = TNodeKind::Field;
            if (!FResolver(t.Text, n->Field))
                SyntaxError(t.Pos, QStringLiteral("field '%1' not found").arg(t.Text));
            Advance();
            return n;
        default:
            break;
        }
        SyntaxError(t.Pos, QStringLiteral("operand expected, found %1").arg(TokenText()));
    }

    static Variant ReadNumber(const QString &text, int pos, bool negative) {
        bool ok = false;
        if (!text.contains(QLatin1Char('.')) &&
            !text.contains(QLatin1Char('e'), Qt::CaseInsensitive)) {
            const qint64 v = text.toLongLong(&ok);
            if (ok)
                return Variant(negative ? -v : v);
        }
        const double d = text.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            SyntaxError(pos, QStringLiteral("bad number '%1'").arg(text));
        return Variant(negative ? -d : d);
    }

    std::unique_ptr<TNode> Compare(const QString &op, std::unique_ptr<TNode> left,
                                   std::unique_ptr<TNode> right, int rightPos) {
        auto n = std::make_unique<TNode>();
        n->Kind = TNodeKind::Cmp;
        n->CaseInsensitive = FCaseInsensitive;
        if (op == QLatin1String("="))
            n->Op = TCmp::Eq;
        else if (op == QLatin1String("<>") || op == QLatin1String("!="))
            n->Op = TCmp::Ne;
        else if (op == QLatin1String("<"))
            n->Op = TCmp::Lt;
        else if (op == QLatin1String("<="))
            n->Op = TCmp::Le;
        else if (op == QLatin1String(">"))
            n->Op = TCmp::Gt;
        else
            n->Op = TCmp::Ge;
        // "X = NULL" and "X <> NULL" mean IS NULL and IS NOT NULL.
        const auto isNullConst = [](const TNode &x) {
            return x.Kind == TNodeKind::Const && x.Value.IsNull();
        };
        if ((n->Op == TCmp::Eq || n->Op == TCmp::Ne) &&
            (isNullConst(*left) || isNullConst(*right))) {
            auto is = std::make_unique<TNode>();
            is->Kind = TNodeKind::IsNull;
            is->Negate = n->Op == TCmp::Ne;
            is->Kids.push_back(isNullConst(*left) ? std::move(right) : std::move(left));
            return is;
        }
        // A constant compared with a field takes the field's type once, here.
        if (left->Kind == TNodeKind::Const && right->Kind == TNodeKind::Field) {
            std::swap(left, right);
            n->Op = n->Op == TCmp::Lt   ? TCmp::Gt
                    : n->Op == TCmp::Gt ? TCmp::Lt
                    : n->Op == TCmp::Le ? TCmp::Ge
                    : n->Op == TCmp::Ge ? TCmp::Le
                                        : n->Op;
        }
        if (left->Kind == TNodeKind::Field && right->Kind == TNodeKind::Const &&
            !right->Value.IsNull())
            Prepare(*n, left->Field, right->Value, rightPos);
        n->Kids.push_back(std::move(left));
        n->Kids.push_back(std::move(right));
        return n;
    }

    void Prepare(TNode &n, const TFilterField &field, Variant &value, int pos) {
        const TFieldType type = field.DataType;
        if (IsStringType(type)) {
            QString text = value.ToString();
            if (value.IsString() && FPartial && (n.Op == TCmp::Eq || n.Op == TCmp::Ne) &&
                text.endsWith(QLatin1Char('*'))) {
                text.chop(1);
                n.Prefix = true;
            }
            value = Variant(text);
            n.FastString = text;
            n.FastText = text.toUtf8();
            if (field.Slot >= 0)
                n.Fast = TNode::TFast::Text;
            return;
        }
        try {
            if (IsDateType(type))
                value = Variant(value.ToDateTime());
            else if (type == ftBoolean)
                value = Variant(value.ToBool());
            else if (IsNumericType(type))
                value = value.IsString() ? Variant(StrToFloat(value.ToString())) : value;
            else
                return;
        } catch (const Exception &) {
            SyntaxError(pos, QStringLiteral("value does not fit the type of the field"));
        }
        n.FastNumber = IsDateType(type) ? value.ToDateTime().Value() : value.ToDouble();
        if (field.Slot >= 0)
            n.Fast = TNode::TFast::Number;
    }

    TLexer FLexer;
    const TFilterExpr::TResolver &FResolver;
    bool FCaseInsensitive;
    bool FPartial;
    TToken FTok;
};

bool Holds(TCmp op, int c) {
    switch (op) {
    case TCmp::Eq:
        return c == 0;
    case TCmp::Ne:
        return c != 0;
    case TCmp::Lt:
        return c < 0;
    case TCmp::Le:
        return c <= 0;
    case TCmp::Gt:
        return c > 0;
    case TCmp::Ge:
        return c >= 0;
    }
    return false;
}

int Sign(double d) {
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

// Compares two non-null values; nullopt when they cannot be compared.
std::optional<int> CompareValues(const Variant &a, const Variant &b, bool caseInsensitive,
                                 bool prefix) {
    const bool aNum =
        a.IsNumeric() || a.VarType() == TVarType::Date || a.VarType() == TVarType::Boolean;
    const bool bNum =
        b.IsNumeric() || b.VarType() == TVarType::Date || b.VarType() == TVarType::Boolean;
    try {
        if (aNum && bNum)
            return Sign(a.ToDouble() - b.ToDouble());
        if (aNum && b.IsString()) {
            if (a.VarType() == TVarType::Date)
                return Sign(a.ToDouble() - b.ToDateTime().Value());
            return Sign(a.ToDouble() - b.ToDouble());
        }
        if (a.IsString() && bNum) {
            if (b.VarType() == TVarType::Date)
                return Sign(a.ToDateTime().Value() - b.ToDouble());
            return Sign(a.ToDouble() - b.ToDouble());
        }
    } catch (const Exception &) {
        // Falls through to a comparison of the texts.
    }
    const QString x = a.ToString(), y = b.ToString();
    const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (prefix)
        return x.startsWith(y, cs) ? 0 : x.compare(y, cs);
    const int c = x.compare(y, cs);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

struct TEval {
    const TRecordLayout *Layout;
    const uchar *Rec;
    const TFilterExpr::TFieldReader &Reader;

    Variant Operand(const TNode &n) const {
        if (n.Kind == TNodeKind::Const)
            return n.Value;
        if (n.Kind == TNodeKind::Field) {
            if (Layout && n.Field.Slot >= 0)
                return Layout->Value(Rec, n.Field.Slot);
            return Reader(n.Field.Index);
        }
        return Variant(Test(n));
    }

    bool FastCompare(const TNode &n) const {
        const int slot = n.Kids[0]->Field.Slot;
        if (Layout->IsNull(Rec, slot))
            return false;
        if (n.Fast == TNode::TFast::Number)
            return Holds(n.Op, Sign(Layout->FloatValue(Rec, slot) - n.FastNumber));
        const QByteArrayView raw = Layout->Raw(Rec, slot);
        int c;
        if (n.CaseInsensitive) {
            const QUtf8StringView text(raw.data(), raw.size());
            if (n.Prefix) {
                const QString s = QString::fromUtf8(raw.data(), raw.size());
                c = s.startsWith(n.FastString, Qt::CaseInsensitive)
                        ? 0
                        : s.compare(n.FastString, Qt::CaseInsensitive);
            } else {
                c = QAnyStringView::compare(text, QStringView(n.FastString), Qt::CaseInsensitive);
            }
        } else {
            const QByteArrayView key(n.FastText);
            if (n.Prefix && raw.startsWith(key)) {
                c = 0;
            } else {
                const int m = std::memcmp(raw.data(), key.data(),
                                          static_cast<size_t>(std::min(raw.size(), key.size())));
                c = m != 0 ? m : (raw.size() < key.size() ? -1 : (raw.size() > key.size() ? 1 : 0));
            }
        }
        return Holds(n.Op, c < 0 ? -1 : (c > 0 ? 1 : 0));
    }

    bool Test(const TNode &n) const {
        switch (n.Kind) {
        case TNodeKind::And:
            return Test(*n.Kids[0]) && Test(*n.Kids[1]);
        case TNodeKind::Or:
            return Test(*n.Kids[0]) || Test(*n.Kids[1]);
        case TNodeKind::Not:
            return !Test(*n.Kids[0]);
        case TNodeKind::IsNull:
            return Operand(*n.Kids[0]).IsEmptyOrNull() != n.Negate;
        case TNodeKind::Cmp: {
            if (Layout && n.Fast != TNode::TFast::None)
                return FastCompare(n);
            const Variant a = Operand(*n.Kids[0]), b = Operand(*n.Kids[1]);
            if (a.IsEmptyOrNull() || b.IsEmptyOrNull())
                return false;
            const auto c = CompareValues(a, b, n.CaseInsensitive, n.Prefix);
            return c && Holds(n.Op, *c);
        }
        case TNodeKind::Like: {
            const Variant a = Operand(*n.Kids[0]), b = Operand(*n.Kids[1]);
            if (a.IsEmptyOrNull() || b.IsEmptyOrNull())
                return false;
            return LikeMatch(a.ToString(), b.ToString(), n.CaseInsensitive) != n.Negate;
        }
        case TNodeKind::In: {
            const Variant a = Operand(*n.Kids[0]);
            if (a.IsEmptyOrNull())
                return false;
            for (size_t i = 1; i < n.Kids.size(); ++i) {
                const Variant b = Operand(*n.Kids[i]);
                if (b.IsEmptyOrNull())
                    continue;
                const auto c = CompareValues(a, b, n.CaseInsensitive, false);
                if (c && *c == 0)
                    return !n.Negate;
            }
            return n.Negate;
        }
        case TNodeKind::Truth:
        case TNodeKind::Const:
        case TNodeKind::Field: {
            const Variant v = Operand(n.Kind == TNodeKind::Truth ? *n.Kids[0] : n);
            if (v.IsEmptyOrNull())
                return false;
            try {
                return v.ToBool();
            } catch (const Exception &) {
                return false;
            }
        }
        }
        return false;
    }
};

} // namespace

TFilterExpr::TFilterExpr(std::unique_ptr<TNode> root) : FRoot(std::move(root)) {}
TFilterExpr::~TFilterExpr() = default;

std::unique_ptr<TFilterExpr> TFilterExpr::Parse(const QString &text, const TResolver &resolver,
                                                int options) {
    TParser parser(text, resolver, options);
    return std::unique_ptr<TFilterExpr>(new TFilterExpr(parser.ParseAll()));
}

bool TFilterExpr::Matches(const TRecordLayout &layout, const uchar *rec,
                          const TFieldReader &reader) const {
    return TEval{&layout, rec, reader}.Test(*FRoot);
}

bool TFilterExpr::Matches(const TFieldReader &reader) const {
    return TEval{nullptr, nullptr, reader}.Test(*FRoot);
}

bool LikeMatch(const QString &text, const QString &pattern, bool caseInsensitive) {
    // Iterative matcher with one backtrack point for the last %: linear for typical patterns.
    const auto eq = [caseInsensitive](QChar a, QChar b) {
        return caseInsensitive ? a.toCaseFolded() == b.toCaseFolded() : a == b;
    };
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('%')) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('_') || eq(pattern[p], text[t]))) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('%'))
        ++p;
    return p == pattern.size();
}
