#pragma once
// "Alarm rules...": the rules one per line, checked as they are typed (the first refused line
// names its line, position and reason, and that character is marked), loaded from and saved to
// a rules file. OK takes them only while every line is a rule on a channel there is.
#include "reading/alarms/alarm_rule.h"

#include <QDialog>
#include <QStringList>

#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QDialogButtonBox;
class UserPrompts;

// The rules of the lines, or where the first bad one is refused. Blank lines and lines starting
// with '#' are skipped, as in a rules file.
struct RuleLinesCheck {
    std::vector<AlarmRule> rules;
    int line = -1;        // 0-based; -1: all accepted
    int position = -1;    // 0-based in that line; -1: nothing to mark
    QString message;      // "line 2: at 9: ..."; empty when all accepted
};
RuleLinesCheck checkRuleLines(const QStringList& lines, const QStringList& channels);

class AlarmRulesDialog : public QDialog {
    Q_OBJECT
public:
    // `command`: the command line run for every raise and clear; empty for none.
    AlarmRulesDialog(const QStringList& rules, QStringList channels, UserPrompts& prompts, const QString& command = {},
                     QWidget* parent = nullptr);

    QStringList lines() const;
    QString commandLine() const;
    // The rules as last checked: what OK takes.
    const RuleLinesCheck& check() const { return check_; }

    // The Load and Save buttons' work, on a file the user chose.
    void loadFrom(const QString& path);
    void saveTo(const QString& path);

    QPlainTextEdit* editor = nullptr;
    QLineEdit* command = nullptr;
    QLabel* message = nullptr;
    QPushButton* load = nullptr;
    QPushButton* save = nullptr;
    QDialogButtonBox* buttons = nullptr;

private:
    void recheck();

    QStringList channels_;
    UserPrompts& prompts_;
    RuleLinesCheck check_;
};
