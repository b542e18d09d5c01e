#pragma once
// 郵件寄送狀態: the server's outbox, newest first: receivers, subject, state ("等待寄送",
// "寄送中", "已寄出", "寄送失敗"), attempts, when queued and sent, and the relay's reply or the
// reason of a failure. "重新整理" reads it again; "重新寄送" puts the failed message chosen
// back in the queue. The server answers administrators only; others are told so.

#include "uRadBaseForm.h"

class QLabel;
class TClientDataSet;
class TDBGrid;
class TDataSource;
class TJobServerData;

class TMailOutboxForm : public TRadBaseForm {
    Q_OBJECT
public:
    TMailOutboxForm();

    TJobServerData *MailServer;
    TClientDataSet *Outbox;
    TDataSource *OutboxSource;
    TDBGrid *gridOutbox;
    QLabel *lbSummary;
    TAction *ActRefresh, *ActRetry;

    // The outbox read anew, the row of `keep` current again when it is still listed.
    void RefreshExecute(qint64 keep = 0);
    void RetryExecute();
    void OpCtrl() override;
    void DoFormInitial() override;

    // The state as the grid shows it.
    static QString StateText(const QString &state);
};
