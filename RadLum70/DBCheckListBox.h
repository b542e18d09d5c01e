#pragma once
// TDBCheckListBox: a check list of a dataset's fields, with which grid forms let the user show
// and hide columns. Each item is one field (its display label, the field as the item's data,
// read back with FieldOfItem or GetField), checked when the field is visible; labels and checks
// follow later changes of the fields. Only fields whose Tag is one of the chosen values 0 to 9
// are listed. The form decides what a check does
// (OnClickCheck); normally it shows or hides the field.

#include "Component.h"
#include "DataSource.h"

#include <QListWidget>
#include <functional>
#include <initializer_list>
#include <memory>

// The field tags a check list shows.
enum TTAOption : quint8 { N_0, N_1, N_2, N_3, N_4, N_5, N_6, N_7, N_8, N_9 };

// A set of TTAOption.
class TTAOptions {
public:
    constexpr TTAOptions() = default;
    constexpr TTAOptions(std::initializer_list<TTAOption> options) {
        for (TTAOption option : options)
            FBits = static_cast<quint16>(FBits | (1u << option));
    }
    constexpr bool Contains(TTAOption option) const { return (FBits >> option) & 1u; }
    // Whether a field with this tag is listed: tags 0 to 9 name the options, no other is.
    constexpr bool ContainsTag(int tag) const {
        return tag >= N_0 && tag <= N_9 && Contains(static_cast<TTAOption>(tag));
    }
    constexpr void Include(TTAOption option) {
        FBits = static_cast<quint16>(FBits | (1u << option));
    }
    constexpr void Exclude(TTAOption option) {
        FBits = static_cast<quint16>(FBits & ~(1u << option));
    }
    constexpr bool operator==(const TTAOptions &) const = default;

private:
    quint16 FBits = 0;
};

class TDBCheckListBox;

// The link of a check list to its data source: it reports the dataset opening and closing.
class TCLBDataLink : public TDataLink {
public:
    explicit TCLBDataLink(TDBCheckListBox *checkListBox) : FCheckListBox(checkListBox) {}

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override { Q_UNUSED(distance); }
    // A field's label or visibility changed: the items follow.
    void LayoutChanged() override;

private:
    TDBCheckListBox *FCheckListBox; // not owned
};

class TDBCheckListBox : public QListWidget, public TComponentBase {
    Q_OBJECT
public:
    explicit TDBCheckListBox(QWidget *parent = nullptr);
    ~TDBCheckListBox() override;
    QObject *AsObject() override { return this; }
    using TComponentBase::AsObject;
    QString ClassName() const override { return QStringLiteral("TDBCheckListBox"); }

    TDataSource *DataSource() const { return FDataLink->DataSource(); }
    // Attaching lists the source's fields; detaching empties the list.
    void SetDataSource(TDataSource *source);
    // Rebuild the list whenever the dataset opens and empty it when it closes.
    bool AutoRefresh() const { return FAutoRefresh; }
    void SetAutoRefresh(bool autoRefresh) { FAutoRefresh = autoRefresh; }
    TTAOptions OptionsTagValue() const { return FOptionsTagValue; }
    void SetOptionsTagValue(TTAOptions options);

    // Lists the fields of the source's dataset whose tag is chosen, in field order (the
    // dataset need not be open). Nothing while loading or without a data source.
    void SetFieldsToItem();
    void ResetFields() { SetFieldsToItem(); }
    // The field of the selected item, or nullptr.
    TField *GetField() const;
    // The field of an item, or nullptr when the item or its field is gone.
    TField *Field(int index) const;
    bool Checked(int index) const;
    // Sets a check mark without running OnClickCheck.
    void SetChecked(int index, bool checked);

    // The user checked or unchecked an item; that item is the selected one.
    std::function<void(TDBCheckListBox *)> OnClickCheck;

    void Loaded() override;
    void Notification(TComponentBase *component, TOperation operation) override;

private:
    friend class TCLBDataLink;
    void DataSetActiveChanged();
    void DataSetReplaced();
    void FieldsChanged();
    void ClearFields();
    void ItemChanged(QListWidgetItem *item);

    std::unique_ptr<TCLBDataLink> FDataLink;
    TTAOptions FOptionsTagValue{N_0};
    bool FAutoRefresh = false;
    // The dataset whose fields the items hold; items of any other dataset's fields are stale.
    TDataSet *FListedDataSet = nullptr;
    bool FFilling = false;
};
