// The program's panels as the runtime layer builds them: the forms of the
// .ui files in this folder, by resource id.
#pragma once

// Hands the forms to the runtime layer; called before the first LoadPanel.
void RegisterKovexaForms(void);
