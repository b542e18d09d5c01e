#pragma once
// Job packages against a real server: a fresh server on its own thread, the client's brokers
// and location table pointed at it, a demo user logged in, and packages started through the
// registry as the shell starts them. Errors that reach the user and message boxes are
// collected.

#include "AppServerFixture.h"
#include "Application.h"
#include "DBGrid.h"
#include "Fields.h"
#include "RadServer.h"
#include "TestMain.h"
#include "TypeText.h"
#include "uClientAppControl.h"
#include "uCodeComboBox.h"
#include "uLoginUserInfo.h"
#include "uObjServers.h"
#include "uRadBaseForm.h"
#include "uReconcileError.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

// Clicks the tool bar's button of an action, as a user does: a refusal reaches the user
// through the application's error display.
inline void ClickToolButton(TRadBaseForm *form, QAction *action) {
    QWidget *button = form->ToolBar1->widgetForAction(action);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Clicks a row of a data grid, with Ctrl or Shift to add to its selection.
inline void ClickRow(TDBGrid *grid, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    grid->scrollTo(grid->model()->index(row, 0));
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
}

// The student numbers of a grid's selected rows, in the order they were selected.
inline QStringList SelectedIDs(TDBGrid *grid) {
    TDataSet *d = grid->DataSet();
    const TBookmark here = d->GetBookmark();
    QStringList ids;
    for (TBookmark b : grid->SelectedRows()) {
        d->GotoBookmark(b);
        ids << d->FieldByName(QStringLiteral("StudentID"))->AsString();
    }
    d->GotoBookmark(here);
    return ids;
}

// Picks the list item with that code as a user does.
inline void PickCode(TLumCodeComboBox *combo, const QString &code) {
    for (int i = 0; i < combo->count(); ++i)
        if (combo->CodeItems()[i] == code) {
            combo->setCurrentIndex(i);
            return;
        }
    QFAIL(qPrintable(QStringLiteral("code %1 not listed").arg(code)));
}

// Message boxes are read and closed as they come up.
class TBoxReader : public QObject {
public:
    TBoxReader() {
        connect(&FTimer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                Texts << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        FTimer.start(10);
    }
    QStringList Texts;

private:
    QTimer FTimer;
};

class TJobTestBench {
public:
    // Starts the server (its settings changed by `configure`) and logs the user in.
    TJobTestBench(const QString &id, const QString &password,
                  const std::function<void(TApplicationServerConfig &)> &configure = {}) {
        Application()->OnException = [this](const QString &m) { Errors.append(m); };
        // The shell's window comes first, so that job forms are never the main form.
        if (!Application()->MainForm())
            Application()->CreateForm<TForm>();
        Server = std::make_unique<TAppServerFixture>(nullptr, 0, TFixtureSignIn::Admin, configure);
        // The location table through its bootstrap host, every logical server on this one.
        OrvServerDataSet->LocalBroker()->Servers().clear();
        OrvServerDataSet->LocalBroker()->InsertFirstItem(QStringLiteral("127.0.0.1"),
                                                         Server->Port());
        for (const char *name : {"DefaultServer", "SrvJobSecurity", "SystemObj"})
            RemoteRegistryServer(QLatin1String(name), QStringLiteral("127.0.0.1"), Server->Port());
        if (OrvServerDataSet->Active())
            OrvServerDataSet->Close();
        SrvJobSecurityBroker->Servers().clear();
        SrvJobSecurityBroker->AddServer(QStringLiteral("127.0.0.1"), Server->Port());

        CurrentUserInfo->SetLoginStyle(TLoginStyle());
        CurrentUserInfo->SetID(id);
        CurrentUserInfo->SetPassword(password);
        TBoxReader refusal; // a refused login says why in a box
        CurrentUserInfo->SetLoginChecked(true);
        if (!CurrentUserInfo->LoginChecked())
            qFatal("The demo user %s cannot log in: %s", qPrintable(id),
                   qPrintable(refusal.Texts.join(u' ')));
    }
    ~TJobTestBench() {
        CloseJobs();
        CurrentUserInfo->SetLoginChecked(false);
        Application()->OnException = nullptr;
    }

    // Starts a package by file name from the program folder, as the shell does; its form.
    TForm *Run(const QString &fileName) {
        TClientAppControl *entry = ClientExecuteManager->ExecuteClientApp(fileName, true);
        return entry ? entry->Form.data() : nullptr;
    }
    TClientAppControl *Entry(const QString &fileName) const {
        return ClientExecuteManager->FindClientAppByName(fileName);
    }
    // Closes every job and waits until their packages are unloaded.
    void CloseJobs() {
        ClientExecuteManager->CloseAllClientApps();
        QTRY_VERIFY_WITH_TIMEOUT(ClientExecuteManager->Entries().isEmpty(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(UnloadPackageThread->QueueCount(), 0, 10000);
    }
    QVariant Query(const QString &sql) const { return Server->Query(sql); }

    std::unique_ptr<TAppServerFixture> Server;
    QStringList Errors;
};

// A row the server refuses brings up the reconcile dialog: its message is kept and the
// dialog cancelled, so that a test says why instead of waiting.
class TRefusals : public QObject {
public:
    TRefusals() {
        connect(&FTimer, &QTimer::timeout, this, [this] {
            if (auto *dlg =
                    qobject_cast<TReconcileErrorForm *>(QApplication::activeModalWidget())) {
                Texts << dlg->ErrorMsg->toPlainText();
                dlg->CancelBtn->click();
            }
        });
        FTimer.start(20);
    }
    QStringList Texts;

private:
    QTimer FTimer;
};
