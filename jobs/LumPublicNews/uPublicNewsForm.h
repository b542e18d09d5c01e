#pragma once
// The school's notices ("公告查詢"): the titles, newest first, with their dates in the ROC
// calendar and the issuing unit; under them the chosen notice: title, unit, publisher, date
// and text.

#include "Form.h"

class QLabel;
class QPushButton;
class QTableView;
class QTextBrowser;
class TClientDataSet;
class TDBGridModel;
class TDataSource;
class TJobServerData;

class TPublicNewsForm : public TForm {
    Q_OBJECT
public:
    TPublicNewsForm();

    QPushButton *btnRefresh = nullptr;
    QTableView *grdNews = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblInfo = nullptr;
    QTextBrowser *memContent = nullptr;
    TJobServerData *ServerData = nullptr;
    TClientDataSet *NewsCDS = nullptr;
    TDataSource *dsNews = nullptr;
    TDBGridModel *NewsModel = nullptr;

    // Reads the notices from the server again.
    void RefreshNews();

private:
    void ShowNotice();
    bool FFirstShow = true;
};
