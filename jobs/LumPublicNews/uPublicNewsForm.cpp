#include "uPublicNewsForm.h"

#include "DBGridModel.h"
#include "DataSource.h"
#include "Packages.h"
#include "uDocuReport.h"
#include "uJobGuard.h"
#include "uJobPrint.h"
#include "uJobServerData.h"
#include "uOrganization.h"
#include "uRocDate.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTextBrowser>
#include <QVBoxLayout>

TPublicNewsForm::TPublicNewsForm() {
    SetName(QStringLiteral("PublicNewsForm"));
    SetCaption(QStringLiteral("公告查詢"));
    SetTag(2); // the shell's item area
    SetDragKind(TDragKind::dkDock);
    resize(560, 460);

    ServerData = new TJobServerData(this, QStringLiteral("SrvPublicInfo.PublicInfoINTF"));
    NewsCDS = ServerData->AddDataSet(
        QStringLiteral("xspPublicNews"),
        {{QStringLiteral("PublishDate"), ftDateTime, 0, QStringLiteral("公告日期")},
         {QStringLiteral("UnitName"), ftString, 60, QStringLiteral("單位")},
         {QStringLiteral("Title"), ftString, 120, QStringLiteral("標題")},
         {QStringLiteral("NewsID"), ftInteger, 0, QStringLiteral("編號"), false},
         {QStringLiteral("Content"), ftMemo, 0, QStringLiteral("內容"), false},
         {QStringLiteral("Publisher"), ftString, 40, QStringLiteral("公告人"), false}});
    NewsCDS->FieldByName(QStringLiteral("PublishDate"))->OnGetText = [](TField *field,
                                                                        QString &text, bool) {
        text = field->IsNull() ? QString() : RocDateText(field->AsDateTime());
    };
    dsNews = new TDataSource(this);
    dsNews->SetDataSet(NewsCDS);
    dsNews->SetAutoEdit(false);
    dsNews->OnDataChange = [this](TDataSource *, TField *) { ShowNotice(); };

    auto *layout = new QVBoxLayout(this);
    btnRefresh = new QPushButton(QStringLiteral("重新整理"), this);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnPrint = new QPushButton(QStringLiteral("列印"), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPrint->setEnabled(false);
    auto *bar = new QHBoxLayout;
    bar->addStretch(1);
    bar->addWidget(btnPrint);
    bar->addWidget(btnRefresh);
    layout->addLayout(bar);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    grdNews = new QTableView(splitter);
    grdNews->setObjectName(QStringLiteral("grdNews"));
    grdNews->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdNews->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdNews->setSelectionMode(QAbstractItemView::SingleSelection);
    grdNews->verticalHeader()->hide();
    grdNews->horizontalHeader()->setStretchLastSection(true);
    NewsModel = new TDBGridModel(this);
    NewsModel->SetDataSource(dsNews);
    grdNews->setModel(NewsModel);
    NewsModel->AttachView(grdNews);

    auto *notice = new QWidget(splitter);
    auto *noticeLayout = new QVBoxLayout(notice);
    noticeLayout->setContentsMargins(0, 0, 0, 0);
    lblTitle = new QLabel(notice);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblTitle->setWordWrap(true);
    lblInfo = new QLabel(notice);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    memContent = new QTextBrowser(notice);
    memContent->setObjectName(QStringLiteral("memContent"));
    memContent->setOpenLinks(false);
    noticeLayout->addWidget(lblTitle);
    noticeLayout->addWidget(lblInfo);
    noticeLayout->addWidget(memContent, 1);
    splitter->addWidget(grdNews);
    splitter->addWidget(notice);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter);

    Print = std::make_unique<TJobPrint>(this);

    connect(btnRefresh, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { RefreshNews(); }); });
    connect(btnPrint, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { PrintNotice(); }); });
    OnShow = [this] {
        if (!FFirstShow)
            return;
        FFirstShow = false;
        RunGuarded([this] { RefreshNews(); });
    };
    OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
}

TPublicNewsForm::~TPublicNewsForm() = default;

void TPublicNewsForm::RefreshNews() {
    ServerData->Open(NewsCDS);
    grdNews->resizeColumnsToContents();
    ShowNotice();
}

void TPublicNewsForm::PrintNotice() {
    if (!NewsCDS->Active() || NewsCDS->IsEmpty())
        return;
    auto field = [this](const char *name) { return NewsCDS->FieldByName(QLatin1String(name)); };
    Print->Preview(QStringLiteral("公告單.docx"),
                   {{QStringLiteral("Title"), field("Title")->AsString()},
                    {QStringLiteral("UnitName"), field("UnitName")->AsString()},
                    {QStringLiteral("Publisher"), field("Publisher")->AsString()},
                    {QStringLiteral("PublishDate"), field("PublishDate")->DisplayText()},
                    {QStringLiteral("Content"), field("Content")->AsString()}});
}

void TPublicNewsForm::ShowNotice() {
    btnPrint->setEnabled(NewsCDS->Active() && !NewsCDS->IsEmpty());
    if (!NewsCDS->Active() || NewsCDS->IsEmpty()) {
        lblTitle->setText(NewsCDS->Active() ? QStringLiteral("目前沒有公告") : QString());
        lblInfo->clear();
        memContent->clear();
        return;
    }
    auto field = [this](const char *name) { return NewsCDS->FieldByName(QLatin1String(name)); };
    lblTitle->setText(field("Title")->AsString());
    lblInfo->setText(QStringLiteral("公告單位:%1  公告人:%2  日期:%3")
                         .arg(field("UnitName")->AsString(), field("Publisher")->AsString(),
                              field("PublishDate")->DisplayText()));
    memContent->setPlainText(field("Content")->AsString());
}
