#include "ulumPostCode.h"

#include "Big5.h"
#include "DBDelphiVCL.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

int LevelOf(const QTreeWidgetItem *node) {
    int level = 0;
    for (const QTreeWidgetItem *p = node->parent(); p; p = p->parent())
        ++level;
    return level;
}

} // namespace

const QStringList &TlumPostCode::Counties() {
    static const QStringList counties = {
        QStringLiteral("台北市"), QStringLiteral("基隆市"),   QStringLiteral("新北市"),
        QStringLiteral("宜蘭縣"), QStringLiteral("桃園市"),   QStringLiteral("新竹市"),
        QStringLiteral("新竹縣"), QStringLiteral("苗栗縣"),   QStringLiteral("台中市"),
        QStringLiteral("彰化縣"), QStringLiteral("南投縣"),   QStringLiteral("雲林縣"),
        QStringLiteral("嘉義市"), QStringLiteral("嘉義縣"),   QStringLiteral("台南市"),
        QStringLiteral("高雄市"), QStringLiteral("屏東縣"),   QStringLiteral("澎湖縣"),
        QStringLiteral("台東縣"), QStringLiteral("花蓮縣"),   QStringLiteral("金門縣"),
        QStringLiteral("連江縣"), QStringLiteral("南海諸島"), QStringLiteral("釣魚台")};
    return counties;
}

QString TlumPostCode::CurrentCounty(const QString &county) {
    // The counties merged into cities in 2010 and 2014.
    static const QHash<QString, QString> former = {
        {QStringLiteral("台北縣"), QStringLiteral("新北市")},
        {QStringLiteral("桃園縣"), QStringLiteral("桃園市")},
        {QStringLiteral("台中縣"), QStringLiteral("台中市")},
        {QStringLiteral("台南縣"), QStringLiteral("台南市")},
        {QStringLiteral("高雄縣"), QStringLiteral("高雄市")}};
    const QString name = QString(county).trimmed().replace(u'臺', u'台');
    return former.value(name, name);
}

TlumPostCode::TlumPostCode(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("lumPostCode"));
    setWindowTitle(QStringLiteral("輔助地址輸入"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(460, 520);
    auto *layout = new QVBoxLayout(this);
    cbbSelCounty = new QComboBox(this);
    cbbSelCounty->setObjectName(QStringLiteral("cbbSelCounty"));
    cbbSelCounty->addItems(Counties());
    cbbSelCounty->setCurrentIndex(-1);
    layout->addWidget(cbbSelCounty);
    gbTree = new QGroupBox(QStringLiteral("縣市/鄉鎮/郵遞區號/村里路街"), this);
    auto *treeBox = new QVBoxLayout(gbTree);
    TVPostCode = new QTreeWidget(gbTree);
    TVPostCode->setObjectName(QStringLiteral("TVPostCode"));
    TVPostCode->setHeaderHidden(true);
    TVPostCode->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeBox->addWidget(TVPostCode);
    layout->addWidget(gbTree, 1);

    const auto edit = [this](QLineEdit *&e, const char *name) {
        e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
    };
    edit(edCounty, "edCounty");
    edCounty->setReadOnly(true);
    edit(edCode, "edCode");
    edCode->setInputMask(QStringLiteral("999;_"));
    edit(edCity, "edCity");
    edit(edVillage, "edVillage");
    edit(edLinNo, "edLinNo");
    edLinNo->setInputMask(QStringLiteral("9999;_"));
    edit(edRoad, "edRoad");
    auto *fields = new QFormLayout;
    auto *first = new QHBoxLayout;
    first->addWidget(edCode);
    first->addWidget(edCounty, 1);
    first->addWidget(edCity, 1);
    fields->addRow(QStringLiteral("郵遞區號/縣市/鄉鎮:"), first);
    auto *second = new QHBoxLayout;
    second->addWidget(edVillage, 1);
    second->addWidget(edLinNo);
    fields->addRow(QStringLiteral("村里/鄰:"), second);
    fields->addRow(QStringLiteral("街路門牌號"), edRoad);
    layout->addLayout(fields);
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
        FOK = true;
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbbSelCounty, &QComboBox::activated, this, [this](int index) { SelectCounty(index); });
    connect(TVPostCode, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *node) { NodeChosen(node); });
    connect(edCode, &QLineEdit::textEdited, this, [this] { LocateCode(edCode->text()); });
    connect(edLinNo, &QLineEdit::textEdited, this, [this] { LocateCode(edCode->text()); });
}

void TlumPostCode::SelectCounty(int index) {
    TVPostCode->clear();
    if (index < 0 || index >= cbbSelCounty->count())
        return;
    const QString file = FPostFileDir + cbbSelCounty->itemText(index) + QStringLiteral(".VCL");
    TreeTextToView(ReadTextFile(file), TVPostCode);
    TVPostCode->expandToDepth(0);
}

bool TlumPostCode::Execute(const QString &county, const QString &code) {
    const int index = cbbSelCounty->findText(CurrentCounty(county), Qt::MatchExactly);
    if (index >= 0) {
        cbbSelCounty->setCurrentIndex(index);
        SelectCounty(index);
    }
    if (code.isEmpty()) {
        if (!edCity->text().isEmpty())
            LocateCity();
    } else {
        LocateCode(code);
    }
    FOK = false;
    exec();
    return FOK;
}

QString TlumPostCode::GetCode() const {
    return edCode->text();
}

void TlumPostCode::SetCode(const QString &code) {
    if (code == edCode->text())
        return;
    edCode->setText(code);
    // Another township: what was chosen within the former one no longer applies.
    edVillage->clear();
    edLinNo->clear();
    edRoad->clear();
}

QString TlumPostCode::GetCounty() const {
    return edCounty->text();
}

void TlumPostCode::SetCounty(const QString &county) {
    edCounty->setText(county);
}

QString TlumPostCode::GetCity() const {
    return edCity->text();
}

void TlumPostCode::SetCity(const QString &city) {
    edCity->setText(city);
}

QString TlumPostCode::GetVillage() const {
    return edVillage->text();
}

void TlumPostCode::SetVillage(const QString &village) {
    edVillage->setText(village);
}

QString TlumPostCode::GetLinNo() const {
    return edLinNo->text();
}

void TlumPostCode::SetLinNo(const QString &linNo) {
    edLinNo->setText(linNo);
}

QString TlumPostCode::GetRoad() const {
    return edRoad->text();
}

void TlumPostCode::SetRoad(const QString &road) {
    edRoad->setText(road);
}

QString TlumPostCode::GetAddress() const {
    QString address = GetCounty() + GetCity() + GetVillage();
    if (!GetLinNo().isEmpty())
        address += GetLinNo() + QStringLiteral("鄰");
    return address + GetRoad();
}

void TlumPostCode::LocateCode(const QString &code) {
    for (QTreeWidgetItemIterator it(TVPostCode); *it; ++it)
        if ((*it)->text(0).contains(code)) {
            TVPostCode->scrollToItem(*it, QAbstractItemView::PositionAtTop);
            return;
        }
}

void TlumPostCode::LocateCity() {
    const QString city = edCity->text();
    for (QTreeWidgetItemIterator it(TVPostCode); *it; ++it) {
        QTreeWidgetItem *node = *it;
        if (LevelOf(node) != 1 || !node->text(0).contains(city))
            continue;
        TVPostCode->scrollToItem(node, QAbstractItemView::PositionAtTop);
        const int comma = node->text(0).indexOf(u',');
        if (comma >= 0)
            edCode->setText(node->text(0).left(comma));
        return;
    }
}

void TlumPostCode::Level1Node(QTreeWidgetItem *node) {
    const QString text = node->text(0);
    const int comma = text.indexOf(u',');
    if (comma >= 0) {
        SetCode(text.left(comma));
        edCity->setText(text.mid(comma + 1));
    } else {
        SetCode(QString());
        edCity->setText(text);
    }
    if (node->parent())
        edCounty->setText(node->parent()->text(0));
}

void TlumPostCode::Level2Node(QTreeWidgetItem *node) {
    if (node->parent())
        Level1Node(node->parent());
}

void TlumPostCode::Level3Node(QTreeWidgetItem *node) {
    QTreeWidgetItem *group = node->parent();
    if (!group)
        return;
    Level2Node(group);
    if (group->text(0) == QStringLiteral("村") || group->text(0) == QStringLiteral("里"))
        edVillage->setText(node->text(0));
    else
        edRoad->setText(edRoad->text() + node->text(0));
}

void TlumPostCode::NodeChosen(QTreeWidgetItem *node) {
    if (!node)
        return;
    switch (LevelOf(node)) {
    case 1:
        Level1Node(node);
        break;
    case 2:
        Level2Node(node);
        break;
    case 3:
        Level3Node(node);
        break;
    default:
        break;
    }
}
