#include "uStdTextTransferForm.h"

#include "Application.h"
#include "ClientDataSet.h"
#include "DBActions.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "uJobGuard.h"
#include "uLumDataTransfer.h"
#include "uStudentFields.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QToolBar>

namespace {

const QString kDelimited = QStringLiteral("分隔字元");
const QString kFixed = QStringLiteral("固定寬度");
const QString kTab = QStringLiteral("Tab");

} // namespace

TStdTextTransferForm::TStdTextTransferForm() {
    setObjectName(QStringLiteral("StdTextTransferForm"));
    SetCaption(QStringLiteral("學生名冊文字匯出入"));
    SocketConnection->SetServerName(QStringLiteral("SrvAcademic.AcadStudentINTF"));
    ActiveDataSet->SetProviderName(QStringLiteral("dspStdBasic"));
    DefineStudentFields(ActiveDataSet);
    for (QAction *action : std::initializer_list<QAction *>{DataRefresh, DataSetFirst, DataSetPrior,
                                                            DataSetNext, DataSetLast})
        action->setVisible(true);

    Converter = new TLumDataSetConverter(this);
    Converter->SetName(QStringLiteral("Converter"));
    Converter->SetDataSet(ActiveDataSet);

    // The options, beside the read button.
    auto *options = new QWidget(plDataSelection);
    options->setObjectName(QStringLiteral("plOptions"));
    cbFormat = new QComboBox(options);
    cbFormat->setObjectName(QStringLiteral("cbFormat"));
    cbFormat->addItems({kDelimited, kFixed});
    cbDelimiter = new QComboBox(options);
    cbDelimiter->setObjectName(QStringLiteral("cbDelimiter"));
    cbDelimiter->setEditable(true);
    cbDelimiter->addItems({QStringLiteral(","), kTab, QStringLiteral(";"), QStringLiteral("|")});
    cbDelimiter->setCurrentIndex(0);
    edQuote = new QLineEdit(QStringLiteral("\""), options);
    edQuote->setObjectName(QStringLiteral("edQuote"));
    edQuote->setMaxLength(1);
    edQuote->setMaximumWidth(40);
    edQuote->setToolTip(QStringLiteral("每個值前後加上的引號;空白表示不加"));
    connect(cbFormat, &QComboBox::currentIndexChanged, this,
            [this](int index) { cbDelimiter->setEnabled(index == 0); });
    auto *row = new QHBoxLayout(options);
    row->setContentsMargins(12, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("格式:"), options));
    row->addWidget(cbFormat);
    row->addWidget(new QLabel(QStringLiteral("分隔字元:"), options));
    row->addWidget(cbDelimiter);
    row->addWidget(new QLabel(QStringLiteral("引號:"), options));
    row->addWidget(edQuote);
    static_cast<QHBoxLayout *>(plDataSelection->layout())->insertWidget(1, options);
    // Nothing is edited field by field here.
    gbEdit->setVisible(false);

    DataExportText = new TAction(this, QStringLiteral("DataExportText"), QStringLiteral("Data"),
                                 QStringLiteral("匯出文字檔"));
    DataExportText->SetHint(QStringLiteral("表格中的學生寫入文字檔"));
    DataExportText->OnExecute = [this] { RunGuarded([this] { DataExportTextExecute(); }); };
    DataImportText = new TAction(this, QStringLiteral("DataImportText"), QStringLiteral("Data"),
                                 QStringLiteral("匯入文字檔"));
    DataImportText->SetHint(QStringLiteral("文字檔中的學生加入表格,按「確認」寫入資料庫"));
    DataImportText->OnExecute = [this] { RunGuarded([this] { DataImportTextExecute(); }); };
    ToolBar1->addSeparator();
    ToolBar1->addAction(DataExportText);
    ToolBar1->addAction(DataImportText);
    PopupMenuMain->insertActions(MenuApply, {DataExportText, DataImportText});
    resize(860, 600);
    OpCtrl();
}

TStdTextTransferForm::~TStdTextTransferForm() = default;

void TStdTextTransferForm::DoFormInitial() {
    DataOpenExecute();
}

void TStdTextTransferForm::OpCtrl() {
    TSingalTBMultiRecForm::OpCtrl();
    if (!DataExportText)
        return;
    const TClientDataSet *d = ActiveDataSet;
    const bool browsing = d->Active() && d->State() == dsBrowse;
    DataExportText->setEnabled(browsing);
    DataImportText->setEnabled(browsing);
    DataRefresh->setEnabled(d->Active());
}

void TStdTextTransferForm::ApplyOptions() {
    QChar delimiter;
    if (cbFormat->currentIndex() == 0) {
        const QString text = cbDelimiter->currentText();
        if (text.compare(kTab, Qt::CaseInsensitive) == 0)
            delimiter = QChar(9);
        else if (text.size() == 1 && !text[0].isSpace())
            delimiter = text[0];
        else
            throw Exception(QStringLiteral("分隔字元必須是一個字元(或 Tab)"));
    }
    const QString quote = edQuote->text();
    if (quote.size() > 1 || (quote.size() == 1 && quote[0].isSpace()))
        throw Exception(QStringLiteral("引號必須是一個字元,或空白表示不加引號"));
    const QChar quoteChar = quote.isEmpty() ? QChar(0) : quote[0];
    if (!delimiter.isNull() && delimiter == quoteChar)
        throw Exception(QStringLiteral("分隔字元與引號不可相同"));
    Converter->SetDelimiter(delimiter);
    Converter->SetQuoteChar(quoteChar);
}

QString TStdTextTransferForm::ChooseFile(bool forSaving) {
    QFileDialog dialog(this,
                       forSaving ? QStringLiteral("匯出文字檔") : QStringLiteral("匯入文字檔"),
                       FLastFolder.isEmpty() ? QDir::homePath() : FLastFolder);
    dialog.setObjectName(forSaving ? QStringLiteral("ExportTextDialog")
                                   : QStringLiteral("ImportTextDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({QStringLiteral("文字檔 (*.txt)"), QStringLiteral("所有檔案 (*)")});
    if (forSaving) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("txt"));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString fileName = dialog.selectedFiles().constFirst();
    FLastFolder = QFileInfo(fileName).absolutePath();
    return fileName;
}

void TStdTextTransferForm::DataExportTextExecute() {
    ApplyOptions();
    const QString fileName = ChooseFile(true);
    if (fileName.isEmpty())
        return;
    int count = 0;
    Guarded(
        [&] {
            Converter->DataExportConvert();
            Converter->SaveToFile(fileName);
            count = Converter->Lines().Count();
        },
        [this] { Converter->Lines().Clear(); });
    ShowMessage(QStringLiteral("已匯出 %1 筆學生資料至 %2")
                    .arg(count)
                    .arg(QDir::toNativeSeparators(fileName)));
}

void TStdTextTransferForm::DataImportTextExecute() {
    ApplyOptions();
    const QString fileName = ChooseFile(false);
    if (fileName.isEmpty())
        return;
    Guarded([&] { ImportFile(fileName); },
            [this] {
                Converter->Lines().Clear();
                OpCtrl();
            });
}

void TStdTextTransferForm::ImportFile(const QString &fileName) {
    Converter->LoadFromFile(fileName);
    if (Converter->Lines().Count() == 0)
        throw Exception(
            QStringLiteral("文字檔 %1 沒有學生資料").arg(QDir::toNativeSeparators(fileName)));
    TClientDataSet *d = ActiveDataSet;
    int lineNo = 0;
    int added = 0, changed = 0, same = 0;
    bool blank = false;
    QSet<QString> seen;
    // Blank lines are passed over; every other line is one student, found by number: a student
    // of the grid takes the line's values, another one is appended.
    Converter->OnLineDeComposing = [&](QObject *, TLumRowList &col, QString &text) {
        ++lineNo;
        blank = text.trimmed().isEmpty();
        if (!blank)
            Converter->LineDeComposing(col, text);
    };
    Converter->OnLineAfterDeComposed = [&](QObject *, TLumRowList &col, QString &) {
        if (blank)
            return;
        const int key = col.IndexOfField(QStringLiteral("StudentID"));
        if (key < 0)
            throw Exception(QStringLiteral("匯入的欄位中沒有學號,請在欄位清單中勾選學號"));
        const QString id = col[key];
        if (id.isEmpty())
            throw Exception(QStringLiteral("學號不可空白"));
        if (seen.contains(id))
            throw Exception(QStringLiteral("學號 %1 在檔案中重複").arg(id));
        seen.insert(id);
        // Texts are compared as the values they make: a fixed-width number comes padded.
        if (d->Locate(QStringLiteral("StudentID"), Variant(id))) {
            std::vector<Variant> before;
            for (int i = 0; i < col.Count(); ++i)
                before.push_back(col.Fields(i)->Value());
            d->Edit();
            bool differs = false;
            for (int i = 0; i < col.Count(); ++i) {
                col.Fields(i)->SetText(col[i]);
                differs = differs || !(col.Fields(i)->Value() == before[static_cast<size_t>(i)]);
            }
            if (differs) {
                d->Post();
                ++changed;
            } else {
                d->Cancel();
                ++same;
            }
            return;
        }
        d->Append();
        for (int i = 0; i < col.Count(); ++i)
            col.Fields(i)->SetText(col[i]);
        d->Post();
        ++added;
    };
    d->DisableControls();
    try {
        Guarded([this] { Converter->DataImportConvert(); },
                [this, d] {
                    Converter->OnLineDeComposing = nullptr;
                    Converter->OnLineAfterDeComposed = nullptr;
                    d->EnableControls();
                });
    } catch (const Exception &e) {
        throw Exception(QStringLiteral("匯入文字檔 %1 失敗(第 %2 行): %3")
                            .arg(QDir::toNativeSeparators(fileName))
                            .arg(lineNo)
                            .arg(e.Message()));
    }
    const QString counts =
        QStringLiteral("已匯入 %1 筆學生資料: 新增 %2 筆,修改 %3 筆,相同 %4 筆。")
            .arg(added + changed + same)
            .arg(added)
            .arg(changed)
            .arg(same);
    ShowMessage(counts + (added + changed > 0 ? QStringLiteral("按「確認」寫入資料庫。")
                                              : QStringLiteral("沒有需要寫入的變更。")));
}
