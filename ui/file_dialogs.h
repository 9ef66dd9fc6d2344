#pragma once
// The window's file dialogs as plain data: what each one filters, suggests and confirms.
// UserPrompts shows them; tests compare them.
#include <QList>
#include <QPair>
#include <QString>

struct FileDialogParams {
    QString title;            // empty: the platform's own title
    QString filter;           // Qt form, entries separated by ";;"
    QString defaultSuffix;    // without the dot; empty for none
    // Filters that bring their own default suffix instead, while the user has them chosen.
    QList<QPair<QString, QString>> filterSuffixes;
    bool confirmOverwrite = false;
    bool clearNameBeforeShow = false;   // true: the name box starts empty each time
    bool resizable = true;
    QString folder;                     // where the dialog starts; empty: the platform's choice
};

// The table's save dialog (`SaveDialog2`) and open dialog (`OpenDialog1`).
FileDialogParams saveTableDialogParams();
FileDialogParams openTableDialogParams();
// The chart picture's dialog (`SavePictureDialog1`).
FileDialogParams chartPictureDialogParams();
// The recorder's picture: PNG, PDF or SVG, the filter chosen giving a name without one its suffix.
FileDialogParams recorderPictureDialogParams();
