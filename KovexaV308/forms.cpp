// Glue between the Qt Designer forms of panels/ (compiled by uic) and
// the runtime layer: one builder per panel resource. The only program file
// that sees Qt, because uic's code is Qt code.
#include "KovexaV308/forms.h"

#include <QWidget>

#include "panels/kovexa_panels.h"
#include "platform/form_table.h"
#include "ui_calib.h"
#include "ui_compare.h"
#include "ui_link.h"
#include "ui_main.h"
#include "ui_para1.h"
#include "ui_para2.h"
#include "ui_popup.h"

namespace {

template <class Form>
QWidget* BuildForm(QWidget* parent) {
    QWidget* w = new QWidget(parent);
    Form form;
    form.setupUi(w);
    return w;
}

const FormBuilder kForms[] = {
    {RES_MAIN, BuildForm<Ui::PANEL>},  {RES_POPUP, BuildForm<Ui::POPUP>},
    {RES_PARA1, BuildForm<Ui::PARA1>}, {RES_PARA2, BuildForm<Ui::PARA2>},
    {RES_CALIB, BuildForm<Ui::CALIB>}, {RES_COMPARE, BuildForm<Ui::COMPARE>},
    {RES_LINK, BuildForm<Ui::LINK>},
};

}  // namespace

void RegisterKovexaForms(void) {
    RegisterForms(kForms, static_cast<int>(sizeof kForms / sizeof kForms[0]));
}
