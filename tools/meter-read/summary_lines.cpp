#include "tools/meter-read/summary_lines.h"

#include "log/files/analysis_format.h"
#include "log/files/analysis_record.h"
#include "log/files/table_file_writer.h"
#include "log/tab_cell_text.h"

#include <QLocale>

QString summaryFigureText(double v)
{
    // Sums of many rows carry noise in the last bits (24.000000000000004); the figure rounded
    // to 15 significant digits is what the rows say. Adding 0 turns -0 into 0.
    const double rounded = QString::number(v, 'g', 15).toDouble() + 0.0;
    return QString::number(rounded, 'g', QLocale::FloatingPointShortest);
}

namespace {

const char* const kKeys[] = {"function", "si_unit", "rows", "overloads", "min", "max", "mean", "stdev", "first", "last"};

struct Figure {
    QString text;
    bool number;
};

std::vector<Figure> figuresOf(const StatisticsGroup& g)
{
    const bool any = g.numbers > 0;
    const std::optional<double> stdev = g.stdev();
    return {
        {g.function, false},
        {g.baseUnit, false},
        {QString::number(g.rows), true},
        {QString::number(g.overloads), true},
        {any ? summaryFigureText(g.minimum) : QString(), true},
        {any ? summaryFigureText(g.maximum) : QString(), true},
        {any ? summaryFigureText(g.mean) : QString(), true},
        {stdev ? summaryFigureText(*stdev) : QString(), true},
        {isoTimestamp(g.first), false},
        {isoTimestamp(g.last), false},
    };
}

} // namespace

std::string summaryText(const RowStatistics& statistics, StreamFormat format)
{
    std::string out;
    if (format == StreamFormat::Csv) {
        for (const char* key : kKeys)
            out += std::string(key == kKeys[0] ? "" : ",") + key;
        out += "\r\n";
    }
    for (const StatisticsGroup& g : statistics.groups()) {
        const std::vector<Figure> figures = figuresOf(g);
        if (format == StreamFormat::Jsonl)
            out.push_back('{');
        for (std::size_t i = 0; i < figures.size(); ++i) {
            const Figure& f = figures[i];
            if (i)
                out.push_back(format == StreamFormat::Tsv ? '\t' : ',');
            if (format == StreamFormat::Tsv) {
                appendUtf8(out, tabCellText(f.text));
            } else if (format == StreamFormat::Csv) {
                // A figure is a number of ours ("-1.2e-05"), never a formula; texts are guarded.
                if (f.number)
                    appendUtf8(out, f.text);
                else
                    appendCsvField(out, f.text);
            } else {
                out += std::string("\"") + kKeys[i] + "\":";
                if (f.text.isEmpty())
                    out += "null";
                else if (f.number)
                    appendUtf8(out, f.text);
                else
                    appendJsonString(out, f.text);
            }
        }
        out += format == StreamFormat::Jsonl ? "}\n" : format == StreamFormat::Csv ? "\r\n" : "\n";
    }
    return out;
}
