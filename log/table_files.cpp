#include "log/table_files.h"

#include "log/log_table.h"
#include "log/table_text_file.h"
#include "log/table_xml_packet.h"

TableFileFormat tableFileFormat(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".xml"), Qt::CaseSensitive) ? TableFileFormat::XmlPacket
                                                                        : TableFileFormat::Text;
}

FileOutcome saveTableFile(const LogTable& table, const QString& fileName)
{
    const QString saved = QStringLiteral("Save table to specified file: ") + fileName + QStringLiteral(" Scuss!");
    QString reason;
    if (tableFileFormat(fileName) == TableFileFormat::XmlPacket) {
        if (!saveTableXml(table, fileName, &reason))
            return FileOutcome::error(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason), reason);
        return FileOutcome::information(saved);
    }
    if (!SaveTableAsText(table, fileName, &reason))
        return FileOutcome::error(QStringLiteral("Could not save table to specified file: ") + fileName, reason);
    return FileOutcome::information(saved);
}

FileOutcome LoadTableFile(const QString& fileName, LogTable& table)
{
    QString reason;
    const bool loaded = tableFileFormat(fileName) == TableFileFormat::XmlPacket ? loadTableXml(fileName, table, &reason)
                                                                                 : loadTableText(fileName, table, &reason);
    return loaded ? FileOutcome::silent(true) : FileOutcome::error(QStringLiteral("Failed to Load File!"), reason);
}

FileDialogParams saveTableDialogParams()
{
    FileDialogParams p;
    p.filter = QStringLiteral("Excel File(*.xls);;XML(*.xml);;Txt File(*.txt)");
    p.defaultSuffix = QStringLiteral("xls");
    p.confirmOverwrite = true;
    p.clearNameBeforeShow = true;
    return p;
}

FileDialogParams openTableDialogParams()
{
    FileDialogParams p;
    p.filter = QStringLiteral("Excel File(*.xls);;XML (*.xml);;Txt File(*.txt)");
    p.confirmOverwrite = false;
    p.clearNameBeforeShow = false;   // keeps the last chosen name
    return p;
}
