#include "uIndexGridForm.h"

#include "DBGridModel.h"
#include "DataSource.h"
#include "uJobGuard.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QVBoxLayout>

namespace {
bool IsNumberText(const QString &text) {
    static const QRegularExpression number(QStringLiteral("^[A-Za-z0-9]+$"));
    return number.match(text).hasMatch();
}
} // namespace

TIndexGridForm::TIndexGridForm(const TIndexGridSetup &setup) : FSetup(setup) {
    SetName(setup.FormName);
    SetCaption(setup.Caption);
    SetTag(setup.DockTag);
    SetDragKind(TDragKind::dkDock);
    resize(560, 420);

    ServerData = new TJobServerData(this, setup.ProgID);
    IndexCDS = ServerData->AddDataSet(setup.ProviderName, setup.Fields);
    dsIndex = new TDataSource(this);
    dsIndex->SetDataSet(IndexCDS);
    dsIndex->SetAutoEdit(false);

    auto *layout = new QVBoxLayout(this);
    auto *bar = FToolRow = new QHBoxLayout;
    lblSearch = new QLabel(setup.SearchLabel, this);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));
    edSearch = new QLineEdit(this);
    edSearch->setObjectName(QStringLiteral("edSearch"));
    edSearch->setClearButtonEnabled(true);
    lblSearch->setBuddy(edSearch);
    btnRefresh = new QPushButton(QStringLiteral("重新整理"), this);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    bar->addWidget(lblSearch);
    bar->addWidget(edSearch, 1);
    bar->addWidget(btnRefresh);
    layout->addLayout(bar);

    grdIndex = new QTableView(this);
    grdIndex->setObjectName(QStringLiteral("grdIndex"));
    grdIndex->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdIndex->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdIndex->setSelectionMode(QAbstractItemView::SingleSelection);
    grdIndex->verticalHeader()->hide();
    grdIndex->horizontalHeader()->setStretchLastSection(true);
    IndexModel = new TDBGridModel(this);
    IndexModel->SetDataSource(dsIndex);
    grdIndex->setModel(IndexModel);
    IndexModel->AttachView(grdIndex);
    layout->addWidget(grdIndex, 1);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    layout->addWidget(lblStatus);

    connect(edSearch, &QLineEdit::textEdited, this, [this](const QString &text) {
        RunGuarded([&] {
            if (!text.trimmed().isEmpty())
                Search(text, false);
            else
                ShowCount();
        });
    });
    connect(edSearch, &QLineEdit::returnPressed, this,
            [this] { RunGuarded([this] { Search(edSearch->text(), true); }); });
    connect(btnRefresh, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { RefreshIndex(); }); });
    OnShow = [this] { RunGuarded([this] { FormShow(); }); };
    OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
}

void TIndexGridForm::FormShow() {
    if (!FFirstShow)
        return;
    FFirstShow = false;
    RefreshIndex();
}

void TIndexGridForm::RefreshIndex() {
    ServerData->Open(IndexCDS);
    grdIndex->resizeColumnsToContents();
    ShowCount();
}

bool TIndexGridForm::RefreshAndLocate(const QString &number) {
    RefreshIndex();
    return IndexCDS->Locate(FSetup.NumberField, Variant(number));
}

QPushButton *TIndexGridForm::AddToolButton(const QString &name, const QString &caption) {
    auto *button = new QPushButton(caption, this);
    button->setObjectName(name);
    AddToolWidget(button);
    return button;
}

void TIndexGridForm::AddToolWidget(QWidget *widget) {
    FToolRow->insertWidget(FToolRow->indexOf(btnRefresh), widget);
}

void TIndexGridForm::ShowCount() {
    lblStatus->setText(
        QStringLiteral("共 %1 筆").arg(IndexCDS->Active() ? IndexCDS->RecordCount() : 0));
}

bool TIndexGridForm::Matches(int position, const QString &text, bool number) {
    if (number)
        return VarToStr(IndexCDS->ValueAt(position, IndexCDS->FieldByName(FSetup.NumberField)))
            .startsWith(text, Qt::CaseInsensitive);
    return VarToStr(IndexCDS->ValueAt(position, IndexCDS->FieldByName(FSetup.NameField)))
        .contains(text, Qt::CaseInsensitive);
}

bool TIndexGridForm::Search(const QString &text, bool next) {
    const QString key = text.trimmed();
    if (key.isEmpty() || !IndexCDS->Active() || IndexCDS->IsEmpty())
        return false;
    const bool number = IsNumberText(key);
    const int count = IndexCDS->RecordCount();
    const int start = next ? IndexCDS->RecNo() % count : 0; // RecNo is 1-based: the next one
    for (int i = 0; i < count; ++i) {
        const int position = (start + i) % count;
        if (Matches(position, key, number)) {
            IndexCDS->SetRecNo(position + 1);
            ShowCount();
            return true;
        }
    }
    lblStatus->setText(QStringLiteral("查無「%1」").arg(key));
    return false;
}
