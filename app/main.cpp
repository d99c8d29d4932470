#include "ClientEnd.h"
#include "UDM.h"
#include "UMain.h"
#include "reference/UAddKlass.h"
#include "reference/UAddSchool.h"
#include "ui/Application.h"

namespace {

int run(int argc, char** argv) {
    TApplication app(argc, argv);
    app.setApplicationDisplayName(QStringLiteral("Таврин"));

    MainForm = new TMainForm();
    auto* dm = new TDM(&app);
    DM = dm;
    dm->DataModuleCreate();
    if (dm->terminateRequested()) {  // said why
        delete MainForm;
        return 1;
    }
    FormAddSchool = new TFormAddSchool(MainForm, 0);  // hidden until a registration window opens its own
    FormAddKlass = new TFormAddKlass(MainForm);
    MainForm->show();
    const int rc = app.exec();
    delete MainForm;  // the windows go before the connections they use
    return rc;
}

}  // namespace

int main(int argc, char** argv) { endProgram(run(argc, argv)); }  // after every window and connection
