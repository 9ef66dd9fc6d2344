#include "ui/alarm_rules_dialog.h"

#include "reading/alarms/alarm_command.h"
#include "reading/alarms/alarm_rules_file.h"
#include "ui/user_prompts.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

namespace {

FileDialogParams rulesFileDialog(const QString& title, bool saving)
{
    FileDialogParams d;
    d.title = title;
    d.filter = QStringLiteral("Alarm rules (*.rules *.txt);;All files (*)");
    d.defaultSuffix = QStringLiteral("rules");
    d.confirmOverwrite = saving;
    return d;
}

} // namespace

RuleLinesCheck checkRuleLines(const QStringList& lines, const QStringList& channels)
{
    RuleLinesCheck check;
    for (int k = 0; k < lines.size(); ++k) {
        const QString trimmed = lines[k].trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        AlarmRuleError error;
        std::optional<AlarmRule> rule = parseAlarmRule(lines[k], &error);
        if (rule) {
            if (const std::optional<AlarmRuleError> unknown = checkAlarmRuleChannel(*rule, channels)) {
                error = *unknown;
                // The channel's name starts where the line's first non-blank does.
                error.position += int(lines[k].indexOf(trimmed.front()));
                rule.reset();
            }
        }
        if (!rule) {
            check.rules.clear();
            check.line = k;
            check.position = error.position - 1;
            check.message = QStringLiteral("line %1: %2").arg(k + 1).arg(error.text());
            return check;
        }
        check.rules.push_back(std::move(*rule));
    }
    return check;
}

AlarmRulesDialog::AlarmRulesDialog(const QStringList& rules, QStringList channels, UserPrompts& prompts,
                                   const QString& commandLine, QWidget* parent)
    : QDialog(parent), channels_(std::move(channels)), prompts_(prompts)
{
    setObjectName(QStringLiteral("AlarmRulesDialog"));
    setWindowTitle(QStringLiteral("Alarm rules"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("One rule a line: u > 5, i < 10m, u outside 4.5..5.5 for 2 hysteresis 0.1, "
                                                "u overload, u stale 60\nChannels: ") + channels_.join(QStringLiteral(", ")), this));
    editor = new QPlainTextEdit(this);
    editor->setObjectName(QStringLiteral("AlarmRules"));
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor->setPlainText(rules.join(QLatin1Char('\n')));
    layout->addWidget(editor, 1);
    message = new QLabel(this);
    message->setObjectName(QStringLiteral("AlarmRulesMessage"));
    layout->addWidget(message);
    auto* commandRow = new QHBoxLayout;
    command = new QLineEdit(commandLine, this);
    command->setObjectName(QStringLiteral("AlarmCommand"));
    command->setPlaceholderText(QStringLiteral("none; e.g. ./notify.sh, or sh -c '...' for a shell"));
    command->setToolTip(QStringLiteral("Run for every alarm raised and cleared, with METER_ALARM, METER_STATE, "
                                       "METER_CHANNEL, METER_VALUE, METER_UNIT and METER_TIME in its environment"));
    commandRow->addWidget(new QLabel(QStringLiteral("Command on alarm:"), this));
    commandRow->addWidget(command, 1);
    layout->addLayout(commandRow);

    auto* row = new QHBoxLayout;
    load = new QPushButton(QStringLiteral("&Load..."), this);
    save = new QPushButton(QStringLiteral("&Save..."), this);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    row->addWidget(load);
    row->addWidget(save);
    row->addStretch();
    row->addWidget(buttons);
    layout->addLayout(row);
    resize(520, 300);

    connect(editor, &QPlainTextEdit::textChanged, this, &AlarmRulesDialog::recheck);
    connect(command, &QLineEdit::textChanged, this, &AlarmRulesDialog::recheck);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(load, &QPushButton::clicked, this, [this] {
        const QString path = prompts_.chooseOpenFile(rulesFileDialog(QStringLiteral("Load alarm rules"), false));
        if (!path.isEmpty())
            loadFrom(path);
    });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = prompts_.chooseSaveFile(rulesFileDialog(QStringLiteral("Save alarm rules"), true));
        if (!path.isEmpty())
            saveTo(path);
    });
    recheck();
}

QStringList AlarmRulesDialog::lines() const { return editor->toPlainText().split(QLatin1Char('\n')); }
QString AlarmRulesDialog::commandLine() const { return command->text().trimmed(); }

void AlarmRulesDialog::recheck()
{
    check_ = checkRuleLines(lines(), channels_);
    QString commandError;
    if (!commandLine().isEmpty())
        AlarmCommand::split(commandLine(), &commandError);
    message->setText(!check_.message.isEmpty() ? QStringLiteral("Refused: ") + check_.message
                     : !commandError.isEmpty()  ? QStringLiteral("Command refused: ") + commandError
                                                : QStringLiteral("%1 rule(s)").arg(check_.rules.size()));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(check_.message.isEmpty() && commandError.isEmpty());
    QList<QTextEdit::ExtraSelection> marks;
    if (check_.line >= 0) {
        const QTextBlock block = editor->document()->findBlockByNumber(check_.line);
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(block);
        const int position = std::clamp(check_.position, 0, std::max(0, block.length() - 2));
        mark.cursor.setPosition(block.position() + position);
        mark.cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        mark.format.setBackground(QColor(255, 150, 150));
        mark.format.setFontUnderline(true);
        marks << mark;
    }
    editor->setExtraSelections(marks);
}

void AlarmRulesDialog::loadFrom(const QString& path)
{
    QString error;
    const std::optional<std::vector<AlarmRule>> rules = readAlarmRulesFile(path, &error);
    if (!rules) {
        prompts_.error(QStringLiteral("The alarm rules were not loaded from %1: %2").arg(path, error));
        return;
    }
    QStringList texts;
    for (const AlarmRule& rule : *rules)
        texts << rule.text;
    editor->setPlainText(texts.join(QLatin1Char('\n')));
}

void AlarmRulesDialog::saveTo(const QString& path)
{
    if (!check_.message.isEmpty()) {
        prompts_.error(QStringLiteral("The alarm rules were not saved: ") + check_.message);
        return;
    }
    QString error;
    if (!writeAlarmRulesFile(path, check_.rules, &error))
        prompts_.error(QStringLiteral("The alarm rules were not saved to %1: %2").arg(path, error));
}
