#pragma once
// Drop-down lists that show names and answer with codes. TLumCodeComboBox keeps one code per
// display item in CodeItems (line i is the code of item i); the user picks from the list and
// cannot type. TLUMDBCodeComboBox fills its items from a dataset, typically a code table
// filtered to one category, and keeps a number of fixed leading items (such as an "all" entry)
// across refills; TLUMDataLink tells it when the dataset opens or closes and when the dataset
// is about to post.

#include "Component.h"
#include "DataSource.h"
#include "StringList.h"

#include <QComboBox>
#include <memory>

class TLumCodeComboBox : public QComboBox, public TComponentBase {
    Q_OBJECT
public:
    explicit TLumCodeComboBox(QWidget *parent = nullptr);
    ~TLumCodeComboBox() override;
    QObject *AsObject() override { return this; }
    using TComponentBase::AsObject;
    QString ClassName() const override { return QStringLiteral("TLumCodeComboBox"); }

    // The code of each display item, line by line. Writing copies the given lines.
    const TStringList &CodeItems() const { return FCodeItems; }
    void SetCodeItems(const TStringList &items);
    // The items are never sorted, so that they stay in step with CodeItems.
    bool Sorted() const { return false; }

    // Appends a display item and makes Code the code line of its index, padding CodeItems with
    // empty lines up to it.
    void AddCode(const QString &code, const QString &name);
    // Empties CodeItems and the display items.
    void Clear();
    // The code of the selected item; empty without a selection or without a code line for it.
    QString GetCode() const;
    // Selects the first item whose code is exactly `code`; raises EListError
    // "Code[%s] is Not Found in CodeItems" when no item has it, leaving the selection as it is.
    void SetCode(const QString &code);
    // The text of the selected item; empty under the same conditions as GetCode.
    QString GetCodeName() const;

protected:
    // Index of the first display item with that code, or -1.
    int IndexOfCode(const QString &code) const;

private:
    TStringList FCodeItems;
};

class TLUMDBCodeComboBox;

// The link of a TLUMDBCodeComboBox to its data source.
class TLUMDataLink : public TDataLink {
public:
    explicit TLUMDataLink(TLUMDBCodeComboBox *comboBox) : FComboBox(comboBox) {}

protected:
    // The dataset opened or closed, or the source changed.
    void ActiveChanged() override;
    // The dataset is about to post: a combo box that is not cached fills its list again.
    void UpdateData() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override { Q_UNUSED(distance); }
    void LayoutChanged() override {}

private:
    TLUMDBCodeComboBox *FComboBox; // not owned
};

class TLUMDBCodeComboBox : public TLumCodeComboBox {
    Q_OBJECT
public:
    explicit TLUMDBCodeComboBox(QWidget *parent = nullptr);
    ~TLUMDBCodeComboBox() override;
    QString ClassName() const override { return QStringLiteral("TLUMDBCodeComboBox"); }

    // A filter expression applied to the source dataset while the list is filled.
    const QString &CodeFilter() const { return FCodeFilter; }
    void SetCodeFilter(const QString &filter);
    // How many leading items are fixed and survive a refill; never more than there are items.
    int AppendIndex() const { return FAppendIndex; }
    void SetAppendIndex(int count);
    const QString &CodeFieldName() const { return FCodeFieldName; }
    void SetCodeFieldName(const QString &name);
    const QString &NameFieldName() const { return FNameFieldName; }
    void SetNameFieldName(const QString &name);
    // When false, the list is filled again every time the source dataset posts.
    bool Cached() const { return FCached; }
    void SetCached(bool cached) { FCached = cached; }
    TDataSource *DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource *source);

    // Fills the list when the control is loaded and enabled, its dataset is open and both field
    // names are set.
    void ActiveChanged();
    // Removes the items after the fixed leading ones (all of them without fixed items).
    void ClearPos();
    // Fills the list again from the source dataset, keeping the selected code when it is still
    // there. The dataset's filter and position are restored, also when filling fails. While the
    // dataset is editing, filling waits until the edit has been posted or cancelled, so that
    // walking the records never ends the user's edit.
    void DataChanged();

    void Loaded() override;
    void Notification(TComponentBase *component, TOperation operation) override;

private:
    friend class TLUMDataLink;
    void Refill();
    // Called by the link when the dataset changed; runs a refill that had to wait.
    void PendingRefill();

    std::unique_ptr<TLUMDataLink> FDataLink;
    QString FCodeFilter;
    int FAppendIndex = 0;
    QString FCodeFieldName;
    QString FNameFieldName;
    bool FCached = true;
    bool FRefillPending = false;
};
