#include "uTreeCodeInput.h"

#include "Big5.h"
#include "DBDelphiVCL.h"
#include "Packages.h"
#include "uLumPublic.h"
#include "uTreeRows.h"
#include "uTreeText.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("樹狀代碼輸入");

} // namespace

TTreeCodeInput::TTreeCodeInput(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TreeCodeInput"));
    setWindowTitle(kCaption);
    resize(340, 440);
    auto *layout = new QVBoxLayout(this);
    auto *top = new QGridLayout;
    Label1 = new QLabel(QStringLiteral("代碼:"), this);
    ECode = new QLineEdit(this);
    ECode->setObjectName(QStringLiteral("ECode"));
    ECode->setReadOnly(true);
    Label2 = new QLabel(QStringLiteral("意義:"), this);
    EDescript = new QLineEdit(this);
    EDescript->setObjectName(QStringLiteral("EDescript"));
    EDescript->setReadOnly(true);
    ckEncode = new QCheckBox(QStringLiteral("階層式編碼原則"), this);
    ckEncode->setObjectName(QStringLiteral("ckEncode"));
    ckEncode->hide();
    top->addWidget(Label1, 0, 0);
    top->addWidget(ECode, 0, 1);
    top->addWidget(Label2, 1, 0);
    top->addWidget(EDescript, 1, 1);
    top->addWidget(ckEncode, 2, 1);
    layout->addLayout(top);
    TreeView = new QTreeWidget(this);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setColumnCount(1);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(TreeView, 1);
    auto *buttons = new QHBoxLayout;
    btnOK = new QPushButton(QStringLiteral("確定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        // Nothing chosen yet (an empty tree, or no node current): there is no code to give.
        if (!TreeView->currentItem())
            return;
        FOK = true;
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { ShowNode(current); });
    connect(TreeView, &QTreeWidget::itemDoubleClicked, btnOK, &QPushButton::click);
    connect(ckEncode, &QCheckBox::clicked, this, [this] { ShowNode(TreeView->currentItem()); });

    DBDelphiVCL = new TDBDelphiVCL(this);
    DBDelphiVCL->SetName(QStringLiteral("DBDelphiVCL"));
    DBDelphiVCL->SetVCLComponent(TreeView);
    DBDelphiVCL->OnAfterLoaded = [this](QObject *) {
        TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
        SetLevelCoding(TreeTag(TreeView) & 1);
    };
}

void TTreeCodeInput::SetLevelCoding(bool levelCoding) {
    TreeView->setProperty("Tag", levelCoding ? 1 : 0);
    ckEncode->setChecked(levelCoding);
    ckEncode->setVisible(levelCoding);
}

void TTreeCodeInput::LoadTree(const QString &treeName, const QString &treeFileName) {
    FTreeName = treeName;
    FTreeFileName = treeFileName.isEmpty() ? ProgramFolder() + QStringLiteral("TemplateDocs/") +
                                                 treeName + QStringLiteral(".VCL")
                                           : treeFileName;
    FLoadedFileName.clear();
    TreeView->clear();
    if (QFileInfo(FTreeFileName).isFile()) {
        QStringList settings;
        TreeTextToView(ReadTextFile(FTreeFileName), TreeView, &settings);
        SetLevelCoding(TreeTextTag(settings) & 1);
        FLoadedFileName = FTreeFileName;
        setWindowTitle(kCaption + u'[' + FTreeFileName + u']');
        return;
    }
    SetLevelCoding(false);
    DBDelphiVCL->SetLoadActive(false);
    DBDelphiVCL->SetVCLName(treeName);
    // A tree that is not stored shows empty.
    if (treeName.isEmpty() || !DBDelphiVCL->GetExisted()) {
        setWindowTitle(kCaption);
        return;
    }
    DBDelphiVCL->SetLoadActive(true);
    setWindowTitle(DBDelphiVCL->Description);
}

bool TTreeCodeInput::Execute(const QString &treeName, const QString &code,
                             const QString &treeFileName, bool levelCoding) {
    Q_UNUSED(levelCoding);
    LoadTree(treeName, treeFileName);
    SetCode(code);
    FOK = false;
    exec();
    return FOK;
}

void TTreeCodeInput::ShowNode(QTreeWidgetItem *node) {
    if (!node)
        return;
    QString segment, text;
    SeparateCode(node->text(0), segment, text);
    ECode->setText(ckEncode->isChecked() ? TreeEncode(node) : segment);
    EDescript->setText(text);
}

QString TTreeCodeInput::GetCode() const {
    return ECode->text();
}

QString TTreeCodeInput::GetDescription() const {
    return EDescript->text();
}

QString TTreeCodeInput::GetTraceText() const {
    return TreeTraceText(TreeView->currentItem());
}

void TTreeCodeInput::SetCode(const QString &code) {
    if (code == ECode->text())
        return;
    ECode->setText(code);
    LocateCode(code);
}

void TTreeCodeInput::LocateCode(const QString &code) {
    if (QTreeWidgetItem *found = TreeFindCode(TreeView, code, ckEncode->isChecked())) {
        TreeView->setCurrentItem(found);
        TreeView->scrollToItem(found, QAbstractItemView::PositionAtTop);
    } else {
        ECode->setText(code);
        EDescript->clear();
    }
}

bool HandleTreeCodeInput(const QString &treeName, QString &code, QString &description,
                         QString &traceText, const QString &treeFileName, bool levelCoding) {
    TTreeCodeInput form;
    if (!form.Execute(treeName, code, treeFileName, levelCoding))
        return false;
    code = form.GetCode();
    description = form.GetDescription();
    traceText = form.GetTraceText();
    return true;
}

bool HandleTreeCodeInput(const QString &treeName, QString &code, QString &description,
                         const QString &treeFileName, bool levelCoding) {
    QString traceText;
    return HandleTreeCodeInput(treeName, code, description, traceText, treeFileName, levelCoding);
}
