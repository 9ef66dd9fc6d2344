#include "tools/meter-read/session_options.h"

#include "reading/computed/formula.h"
#include "reading/limit_judge.h"
#include "tools/command_line.h"

#include <QDir>

#include <cstring>

// --input NAME=SOURCE: "port:COM2", "port:/dev/ttyUSB0", "hid:/dev/hidraw0", "usb-reports:FILE",
// "-" or a file.
NamedInput parseNamedInput(const QString& text)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq < 0)
        usageError(QStringLiteral("--input takes NAME=SOURCE, not \"%1\"").arg(text));
    NamedInput in;
    in.name = text.left(eq).trimmed();
    const QString source = text.mid(eq + 1);
    if (!isPlainName(in.name))
        usageError(QStringLiteral("the input name \"%1\" is not a plain name: a letter or '_', then letters, "
                                  "digits or '_', and not a function's name")
                       .arg(in.name));
    using Kind = NamedInput::Kind;
    const struct { const char* prefix; Kind kind; } kinds[] = {
        {"port:", Kind::Port}, {"hid:", Kind::Hid}, {"usb-reports:", Kind::UsbReports}};
    for (const auto& k : kinds) {
        if (source.startsWith(QLatin1String(k.prefix))) {
            in.kind = k.kind;
            in.path = source.mid(qsizetype(std::strlen(k.prefix)));
            if (in.path.isEmpty())
                usageError(QStringLiteral("--input %1: %2 needs a name after it").arg(in.name, QLatin1String(k.prefix)));
            return in;
        }
    }
    if (source.isEmpty())
        usageError(QStringLiteral("--input %1= needs a source").arg(in.name));
    in.kind = source == QLatin1String("-") ? Kind::StandardInput : Kind::File;
    in.path = source;
    return in;
}

namespace {

// Two names for one port: the same COMn or device path, as typed (a name that leads to
// another's device is found when the ports are opened).
bool onePort(const NamedInput& a, const NamedInput& b)
{
    using Kind = NamedInput::Kind;
    const bool portA = a.kind == Kind::Port || a.kind == Kind::Hid;
    const bool portB = b.kind == Kind::Port || b.kind == Kind::Hid;
    return portA && portB && QDir::cleanPath(a.path) == QDir::cleanPath(b.path);
}

} // namespace

void checkSessionOptions(const MeterReadOptions& o)
{
    if (o.inputs.empty())
        usageError(QStringLiteral("--calc, --align and --wide go with --input"));
    // Each channel numbers its own rows; readings and the wide rows have no such number.
    if (o.rows && !o.log)
        usageError(QStringLiteral("--rows picks rows by their number: with --input it goes with --log"));
    if (o.rows && o.wide)
        usageError(QStringLiteral("--rows picks each channel's rows; the wide rows are not numbered"));
    if (o.wide && o.format != StreamFormat::Csv)
        usageError(QStringLiteral("--wide goes with --format csv"));
    int standardInputs = 0;
    for (std::size_t k = 0; k < o.inputs.size(); ++k) {
        const NamedInput& in = o.inputs[k];
        standardInputs += in.kind == NamedInput::Kind::StandardInput ? 1 : 0;
        for (std::size_t j = 0; j < k; ++j) {
            if (o.inputs[j].name == in.name)
                usageError(QStringLiteral("the name \"%1\" is given to two inputs").arg(in.name));
            if (onePort(o.inputs[j], in))
                usageError(QStringLiteral("%1 and %2 both read %3; each meter has a port of its own")
                               .arg(o.inputs[j].name, in.name, in.path));
        }
    }
    if (standardInputs > 1)
        usageError(QStringLiteral("only one input can read standard input (-)"));
    if (o.inputs.size() > std::size_t(ChannelPlan::kMaxInputs))
        usageError(QStringLiteral("at most %1 inputs").arg(ChannelPlan::kMaxInputs));
    QStringList names;
    for (const NamedInput& in : o.inputs)
        names << in.name;
    std::vector<DefinitionError> errors;
    if (ChannelPlan::make(names, o.calcs, {}, &errors).empty() && !errors.empty()) {
        const DefinitionError& e = errors.front();
        if (e.error.position > 0)
            usageError(QStringLiteral("--calc %1: at %2: %3").arg(e.channel).arg(e.error.position).arg(e.error.message));
        usageError(QStringLiteral("--calc %1: %2").arg(e.channel, e.error.message));
    }
    for (const QString* limit : {&o.high, &o.low}) {
        if (parseLocaleNumber(*limit, o.decimalSeparator) == kNotANumber)
            usageError(QStringLiteral("the limit \"%1\" is not a number with \"%2\" as decimal separator")
                           .arg(*limit, o.decimalSeparator));
    }
}

