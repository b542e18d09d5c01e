#pragma once
// The school's notices ("公告查詢"): the titles, newest first, with their dates in the ROC
// calendar and the issuing unit; under them the chosen notice: title, unit, publisher, date
// and text. "列印" prints the chosen notice through the template "公告單.docx" into the
// preview window, from which it is printed or saved as PDF or as a Word document.

#include "Form.h"

#include <memory>

class QLabel;
class QPushButton;
class QTableView;
class QTextBrowser;
class TClientDataSet;
class TDBGridModel;
class TDataSource;
class TJobServerData;
struct TJobPrint;

class TPublicNewsForm : public TForm {
    Q_OBJECT
public:
    TPublicNewsForm();
    ~TPublicNewsForm() override;

    QPushButton *btnRefresh = nullptr;
    QPushButton *btnPrint = nullptr;
    QTableView *grdNews = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblInfo = nullptr;
    QTextBrowser *memContent = nullptr;
    TJobServerData *ServerData = nullptr;
    TClientDataSet *NewsCDS = nullptr;
    TDataSource *dsNews = nullptr;
    TDBGridModel *NewsModel = nullptr;
    std::unique_ptr<TJobPrint> Print;

    // Reads the notices from the server again.
    void RefreshNews();
    // Fills the template with the chosen notice and shows it in the preview window.
    void PrintNotice();

private:
    void ShowNotice();
    bool FFirstShow = true;
};
