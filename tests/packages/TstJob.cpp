// A job package for the tests, compiled once per fixture with its class name and behaviour
// given by the build.

#include "Packages.h"
#include "uClientAppControl.h"

#include <QLabel>
#include <QVBoxLayout>

#ifndef JOB_CLASS
#error JOB_CLASS names the registered class
#endif

#define LUM_STRINGIFY2(x) #x
#define LUM_STRINGIFY(x) LUM_STRINGIFY2(x)

namespace {

class TFixtureForm : public TForm {
public:
    TFixtureForm() {
#ifdef JOB_FORM_FAILS
        throw Exception(QStringLiteral("fixture form refuses to be created"));
#endif
#ifdef JOB_EDITION
        SetCaption(QStringLiteral(LUM_STRINGIFY(JOB_CLASS) " edition " LUM_STRINGIFY(JOB_EDITION)));
#else
        SetCaption(QStringLiteral(LUM_STRINGIFY(JOB_CLASS)));
#endif
        SetTag(JOB_TAG);
        SetDragKind(TDragKind::dkDock);
        resize(320, 200);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(Caption(), this));
        OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
    }
};

} // namespace

class JOB_CLASS : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
#ifdef JOB_NO_FORM
    void ClientAppCreate() override {}
#else
    void ClientAppCreate() override {
        CreateClientForm(FForm);
    }
#endif

private:
    TFixtureForm *FForm = nullptr;
};

#ifdef JOB_REGISTER_OTHER_NAME
static const bool registeredOther = [] {
    RegisterClass(QStringLiteral("TSomethingElse"),
                  [](QObject *owner) -> TComponentBase * { return new JOB_CLASS(owner); });
    return true;
}();
#else
#define LUM_REGISTER_FIXTURE(Class) LUM_REGISTER_CLASS(Class)
LUM_REGISTER_FIXTURE(JOB_CLASS);
#endif
