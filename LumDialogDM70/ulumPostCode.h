#pragma once
// The address aid ("輔助地址輸入"): the user picks a county or city, then from its post-code
// tree (county + ".VCL" in PostFileDir: the county; its townships and districts as "post
// code,name"; under a township the groups "村" or "里" of villages and wards and groups of
// roads; their names) the township with its three-digit post code, the village and the roads,
// and types the neighbourhood number and the house number. The parts compose the address.

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TlumPostCode : public QDialog {
    Q_OBJECT
public:
    explicit TlumPostCode(QWidget *parent = nullptr);

    QComboBox *cbbSelCounty = nullptr;
    QGroupBox *gbTree = nullptr;
    QTreeWidget *TVPostCode = nullptr;
    QLineEdit *edCounty = nullptr;
    QLineEdit *edCode = nullptr;
    QLineEdit *edCity = nullptr;
    QLineEdit *edVillage = nullptr;
    QLineEdit *edLinNo = nullptr;
    QLineEdit *edRoad = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

    // The counties and cities offered, north to south, then the islands.
    static const QStringList &Counties();
    // The county or city that took over a former one ("台北縣" gives "新北市"); the name
    // itself otherwise. "臺" is read as "台".
    static QString CurrentCounty(const QString &county);

    QString PostFileDir() const { return FPostFileDir; }
    void SetPostFileDir(const QString &dir) { FPostFileDir = dir; }

    // Selects the county (loading its tree), then finds the code or, without one, the
    // township; shows the form modally. True only when closed with "確定".
    bool Execute(const QString &county, const QString &code);
    // Loads the county's tree file; a missing file raises the file error.
    void SelectCounty(int index);

    QString GetCode() const;
    void SetCode(const QString &code);
    QString GetCounty() const;
    void SetCounty(const QString &county);
    QString GetCity() const;
    void SetCity(const QString &city);
    QString GetVillage() const;
    void SetVillage(const QString &village);
    QString GetLinNo() const;
    void SetLinNo(const QString &linNo);
    QString GetRoad() const;
    void SetRoad(const QString &road);
    // County + township + village + the neighbourhood number with "鄰" + the road.
    QString GetAddress() const;

    // Scrolls the first node whose text contains code to the top; nothing is selected.
    void LocateCode(const QString &code);
    // Scrolls the first township whose text contains the township typed to the top and takes
    // its post code.
    void LocateCity();
    // What choosing a node of each level fills in.
    void Level1Node(QTreeWidgetItem *node);
    void Level2Node(QTreeWidgetItem *node);
    void Level3Node(QTreeWidgetItem *node);

private:
    void NodeChosen(QTreeWidgetItem *node);
    bool FOK = false;
    QString FPostFileDir;
};
