#include "uMailOutboxForm.h"

#include "ClientDataSet.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Fields.h"
#include "uJobGuard.h"
#include "uJobServerData.h"

#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

TMailOutboxForm::TMailOutboxForm() {
    setObjectName(QStringLiteral("MailOutboxForm"));
    SetCaption(QStringLiteral("郵件寄送狀態"));
    MailServer = new TJobServerData(this, QStringLiteral("SystemObj.CodeTableINTF"));

    Outbox = new TClientDataSet(this);
    Outbox->SetName(QStringLiteral("Outbox"));
    const struct {
        const char *Name;
        TFieldType Type;
        int Size;
        const char *Label;
        int Width;
    } fields[] = {
        {"Seq", ftInteger, 0, "序號", 6},           {"ToAddr", ftString, 200, "收件者", 30},
        {"Subject", ftString, 200, "主旨", 36},     {"State", ftString, 10, "狀態", 8},
        {"Attempts", ftInteger, 0, "次數", 4},      {"CreateTime", ftString, 19, "建立時間", 19},
        {"SentTime", ftString, 19, "寄出時間", 19}, {"Reply", ftString, 400, "回應或失敗原因", 40}};
    for (const auto &f : fields)
        Outbox->FieldDefs().Add(QLatin1String(f.Name), f.Type, f.Size);
    Outbox->CreateDataSet();
    for (const auto &f : fields) {
        TField *field = Outbox->FieldByName(QLatin1String(f.Name));
        field->SetDisplayLabel(QString::fromUtf8(f.Label));
        field->SetDisplayWidth(f.Width);
    }
    Outbox->FieldByName(QStringLiteral("State"))->OnGetText =
        [](TField *field, QString &text, bool) { text = StateText(field->AsString()); };
    OutboxSource = new TDataSource(this);
    OutboxSource->SetName(QStringLiteral("OutboxSource"));
    OutboxSource->SetAutoEdit(false);
    OutboxSource->SetDataSet(Outbox);
    OutboxSource->OnDataChange = [this](TDataSource *, TField *) { OpCtrl(); };

    auto *layout = new QVBoxLayout(ClientPanel);
    gridOutbox = new TDBGrid(ClientPanel);
    gridOutbox->setObjectName(QStringLiteral("gridOutbox"));
    gridOutbox->SetReadOnly(true);
    gridOutbox->SetDataSource(OutboxSource);
    layout->addWidget(gridOutbox, 1);
    lbSummary = new QLabel(ClientPanel);
    lbSummary->setObjectName(QStringLiteral("lbSummary"));
    layout->addWidget(lbSummary);

    ActRefresh = new TAction(this, QStringLiteral("ActRefresh"), QStringLiteral("Mail"),
                             QStringLiteral("重新整理"));
    ActRefresh->SetHint(QStringLiteral("重新讀取寄件匣"));
    ActRefresh->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    ActRefresh->OnExecute = [this] { RefreshExecute(); };
    ActRetry = new TAction(this, QStringLiteral("ActRetry"), QStringLiteral("Mail"),
                           QStringLiteral("重新寄送"));
    ActRetry->SetHint(QStringLiteral("將寄送失敗的郵件重新排入寄送佇列"));
    ActRetry->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    ActRetry->OnExecute = [this] { RetryExecute(); };
    ToolBar1->addAction(ActRefresh);
    ToolBar1->addAction(ActRetry);
    resize(900, 480);
    OpCtrl();
}

QString TMailOutboxForm::StateText(const QString &state) {
    if (state == QLatin1String("sent"))
        return QStringLiteral("已寄出");
    if (state == QLatin1String("failed"))
        return QStringLiteral("寄送失敗");
    if (state == QLatin1String("sending"))
        return QStringLiteral("寄送中");
    return QStringLiteral("等待寄送");
}

void TMailOutboxForm::DoFormInitial() {
    TRadBaseForm::DoFormInitial();
    RefreshExecute();
}

void TMailOutboxForm::RefreshExecute(qint64 keep) {
    std::vector<Variant> args{Variant(0)};
    const Variant rows = MailServer->Call(QStringLiteral("GetMailOutbox"), args);
    QMap<QString, int> states;
    Outbox->DisableControls();
    try {
        Outbox->EmptyDataSet();
        for (int r = 0; rows.IsArray() && r < rows.ElementCount(); ++r) {
            const Variant &row = rows[rows.LowBound() + r];
            Outbox->Append();
            for (int c = 0; c < Outbox->Fields().Count() && c < row.ElementCount(); ++c)
                Outbox->Fields()[c]->SetValue(row[row.LowBound() + c]);
            Outbox->Post();
            ++states[Outbox->FieldByName(QStringLiteral("State"))->AsString()];
        }
        Outbox->First();
        if (keep > 0)
            Outbox->Locate(QStringLiteral("Seq"), Variant(keep));
    } catch (...) {
        Outbox->EnableControls();
        throw;
    }
    Outbox->EnableControls();
    lbSummary->setText(
        QStringLiteral("共 %1 封：已寄出 %2、等待寄送 %3、寄送失敗 %4")
            .arg(Outbox->RecordCount())
            .arg(states.value(QStringLiteral("sent")))
            .arg(states.value(QStringLiteral("waiting")) + states.value(QStringLiteral("sending")))
            .arg(states.value(QStringLiteral("failed"))));
    OpCtrl();
}

void TMailOutboxForm::RetryExecute() {
    if (Outbox->IsEmpty() ||
        Outbox->FieldByName(QStringLiteral("State"))->AsString() != QLatin1String("failed"))
        throw Exception(QStringLiteral("請選擇寄送失敗的郵件"));
    const qint64 seq = Outbox->FieldByName(QStringLiteral("Seq"))->AsInteger();
    std::vector<Variant> args{Variant(seq)};
    if (!MailServer->Call(QStringLiteral("RetryMail"), args).ToBool())
        throw Exception(QStringLiteral("郵件 %1 已不是寄送失敗的狀態").arg(seq));
    RefreshExecute(seq);
}

void TMailOutboxForm::OpCtrl() {
    if (!ActRetry)
        return;
    ActRetry->setEnabled(Outbox->Active() && !Outbox->IsEmpty() &&
                         Outbox->FieldByName(QStringLiteral("State"))->AsString() ==
                             QLatin1String("failed"));
}
