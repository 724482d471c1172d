// The forms the panels are built from, handed in by the program before its
// first LoadPanel: per panel resource, the function that builds its widget
// tree (a Qt Designer form compiled by uic on the program's side). The
// runtime layer has no forms of its own; a resource missing from the table
// does not load.
#pragma once

class QWidget;

struct FormBuilder {
    int resourceId;
    QWidget* (*build)(QWidget* parent);  // a new widget holding the whole form
};

// The table must outlive every LoadPanel; a second call replaces it.
void RegisterForms(const FormBuilder* forms, int formCount);
