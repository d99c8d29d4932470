#include "TApplication.h"
#include "UDM.h"
#include "UMain.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    app.setApplicationDisplayName(QStringLiteral("Таврин"));

    MainForm = new TMainForm();
    DM = new TDM(&app);
    DM->DataModuleCreate();
    if (DM->terminateRequested()) {
        delete MainForm;
        return 0;
    }
    MainForm->show();
    const int rc = app.exec();
    delete MainForm;  // the windows go before the connections they use
    return rc;
}
