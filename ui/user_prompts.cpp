#include "ui/user_prompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

bool DialogPrompts::askYesNo(const QString& title, const QString& text)
{
    return QMessageBox::information(parent_, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

int DialogPrompts::choose(const QString& title, const QString& text, const QStringList& buttons, int escapeButton)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent_);
    QList<QAbstractButton*> added;
    for (const QString& caption : buttons)
        added << box.addButton(caption, added.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::ActionRole);
    if (!added.isEmpty())
        box.setDefaultButton(static_cast<QPushButton*>(added[0]));
    if (escapeButton >= 0 && escapeButton < added.size())
        box.setEscapeButton(added[escapeButton]);
    box.exec();
    const int chosen = int(added.indexOf(box.clickedButton()));
    return chosen >= 0 ? chosen : escapeButton;
}

void DialogPrompts::inform(const QString& text)
{
    QMessageBox::information(parent_, QStringLiteral("Information"), text);
}

void DialogPrompts::error(const QString& text)
{
    QMessageBox::critical(parent_, QStringLiteral("Error"), text);
}

namespace {
QString runFileDialog(QWidget* parent, const UserPrompts::FileDialog& d, QFileDialog::AcceptMode mode,
                      const QString& startName = QString())
{
    QFileDialog dialog(parent, d.title, d.folder, d.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(d.defaultSuffix);
    if (!d.filterSuffixes.isEmpty()) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &d](const QString& filter) {
            QString suffix = d.defaultSuffix;
            for (const auto& [name, own] : d.filterSuffixes)
                if (name == filter)
                    suffix = own;
            dialog.setDefaultSuffix(suffix);
        });
    }
    if (!d.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setSizeGripEnabled(d.resizable);
    // A name kept from a folder that is gone would take the dialog back there: none then.
    const bool nameUsable = !startName.isEmpty() && QFileInfo(startName).absoluteDir().exists();
    dialog.selectFile(d.clearNameBeforeShow || !nameUsable ? QString() : startName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
} // namespace

QString DialogPrompts::chooseSaveFile(const FileDialog& dialog)
{
    return runFileDialog(parent_, dialog, QFileDialog::AcceptSave);
}

QString DialogPrompts::chooseOpenFile(const FileDialog& dialog)
{
    const QString name = runFileDialog(parent_, dialog, QFileDialog::AcceptOpen, lastOpenName_);
    if (!name.isEmpty())
        lastOpenName_ = name;
    return name;
}
