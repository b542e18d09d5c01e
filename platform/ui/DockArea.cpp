#include "DockArea.h"

#include "Form.h"

#include <QPointer>
#include <QVBoxLayout>

namespace {

// A page holding one docked form.
class TDockPage : public QWidget {
public:
    explicit TDockPage(TForm *form) : FForm(form) {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        form->setParent(this, Qt::Widget);
        layout->addWidget(form);
        // The form may be freed while docked; its page goes with it.
        connect(form, &QObject::destroyed, this, &QObject::deleteLater);
    }
    TForm *Form() const { return FForm; }
    void Detach() {
        if (FForm) {
            disconnect(FForm, &QObject::destroyed, this, &QObject::deleteLater);
            layout()->removeWidget(FForm);
        }
        FForm = nullptr;
    }

private:
    QPointer<TForm> FForm;
};

TDockPage *PageAt(const QTabWidget *tabs, int index) {
    return dynamic_cast<TDockPage *>(tabs->widget(index));
}

} // namespace

TDockArea::TDockArea(QWidget *parent) : QTabWidget(parent) {
    setTabsClosable(true);
    setMovable(true);
    connect(this, &QTabWidget::tabCloseRequested, this, [this](int index) {
        if (TDockPage *page = PageAt(this, index); page && page->Form())
            page->Form()->close();
    });
}

QList<TForm *> TDockArea::Clients() const {
    QList<TForm *> result;
    for (int i = 0; i < count(); ++i)
        if (TDockPage *page = PageAt(this, i);
            page && page->Form() && !page->Form()->IsDestroying())
            result.append(page->Form());
    return result;
}

int TDockArea::DockClientCount() const {
    return static_cast<int>(Clients().size());
}

TForm *TDockArea::DockClients(int index) const {
    const QList<TForm *> clients = Clients();
    return index >= 0 && index < clients.size() ? clients[index] : nullptr;
}

QWidget *TDockArea::PageOf(const TForm *form) const {
    for (int i = 0; i < count(); ++i)
        if (TDockPage *page = PageAt(this, i); page && page->Form() == form)
            return page;
    return nullptr;
}

void TDockArea::Adopt(TForm *form) {
    auto *page = new TDockPage(form);
    const int index = addTab(page, form->Caption());
    form->FHostDockSite = this;
    form->show();
    setCurrentIndex(index);
}

void TDockArea::Release(TForm *form) {
    for (int i = 0; i < count(); ++i) {
        TDockPage *page = PageAt(this, i);
        if (!page || page->Form() != form)
            continue;
        page->Detach();
        removeTab(i);
        form->setParent(nullptr, Qt::Window);
        form->FHostDockSite = nullptr;
        page->deleteLater();
        return;
    }
}

void TDockArea::ActivateForm(TForm *form) {
    if (QWidget *page = PageOf(form))
        setCurrentWidget(page);
}

void TDockArea::UpdateCaption(TForm *form) {
    if (QWidget *page = PageOf(form))
        setTabText(indexOf(page), form->Caption());
}
