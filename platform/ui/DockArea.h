#pragma once
// TDockArea: a page control that job forms dock into. Each docked form becomes one page (a
// tab captioned with the form's caption); closing the tab closes the form, and a form that
// goes away takes its page with it.

#include <QTabWidget>

class TForm;

class TDockArea : public QTabWidget {
    Q_OBJECT
public:
    explicit TDockArea(QWidget *parent = nullptr);

    // The docked forms, in page order.
    int DockClientCount() const;
    TForm *DockClients(int index) const;
    // The page that holds the form, or nullptr.
    QWidget *PageOf(const TForm *form) const;
    QWidget *ActivePage() const { return currentWidget(); }
    void SetActivePage(QWidget *page) { setCurrentWidget(page); }

private:
    friend class TForm;
    void Adopt(TForm *form);
    void Release(TForm *form);
    void ActivateForm(TForm *form);
    void UpdateCaption(TForm *form);
    QList<TForm *> Clients() const;
};
