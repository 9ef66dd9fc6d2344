#include "log/files/table_xml_packet.h"

#include "log/files/log_row_fields.h"
#include "log/files/packet_name_filter.h"
#include "log/files/table_xml_rows.h"
#include "log/log_table.h"

#include <QFile>
#include <QXmlStreamReader>

#include <array>

namespace {

// The packet's field list as far as the table needs it: which row attribute feeds which field.
class PacketFields {
public:
    // False for a field of the table declared twice or with another type or width.
    bool add(const QXmlStreamAttributes& attributes)
    {
        const QString attrName = attributes.value(QLatin1String("attrname")).toString();
        const QString name = attributes.hasAttribute(QLatin1String("fieldname"))
                                 ? attributes.value(QLatin1String("fieldname")).toString()
                                 : attrName;
        const int field = LogTable::fieldIndex(name);
        if (field < 0)
            return true;   // a further field: ignored
        if (!attr_[std::size_t(field)].isNull())
            return false;
        const QStringView type = attributes.value(QLatin1String("fieldtype"));
        if (LogTable::isIntegerField(field)) {
            if (type != QLatin1String("i4"))
                return false;
        } else if (type != QLatin1String("string")
                   || attributes.value(QLatin1String("WIDTH")) != QString::number(LogTable::kTextWidth)) {
            return false;
        }
        QString rowName = attrName;
        rowName.replace(QLatin1Char('/'), QLatin1Char('.'));   // as the name filter passes it on
        attr_[std::size_t(field)] = rowName.isEmpty() ? QStringLiteral(" ") : rowName;
        return true;
    }
    bool complete() const
    {
        for (const QString& a : attr_)
            if (a.isNull())
                return false;
        return true;
    }
    // Row attribute names as the name filter passes them on ("/" as "."), in field order.
    PacketRowNames rowNames() const
    {
        PacketRowNames names;
        for (std::size_t f = 0; f < attr_.size(); ++f)
            names[f] = attr_[f].toUtf8();
        return names;
    }
    int fieldOf(QStringView attribute) const
    {
        for (std::size_t f = 0; f < attr_.size(); ++f)
            if (attribute == attr_[f])
                return int(f);
        return -1;
    }

private:
    std::array<QString, LogTable::FieldCount> attr_;
};

bool readRow(const QXmlStreamAttributes& attributes, const PacketFields& fields, LogRow& row)
{
    for (const QXmlStreamAttribute& a : attributes) {
        const int field = fields.fieldOf(a.name());
        if (field < 0)
            continue;   // RowState, or a value of a further field
        if (!setRowField(row, field, a.value()))
            return false;
    }
    return true;
}

}   // namespace

namespace {

// The general XML reader of a packet. With headerOnly it stops at the ROWDATA start tag
// (closing the document there) and rowsAt() tells the byte offset where the rows begin.
class GeneralPacketReader {
public:
    GeneralPacketReader(QFile& file, LogTable& loaded, PacketFields& fields, bool headerOnly)
        : file_(file), loaded_(loaded), fields_(fields), headerOnly_(headerOnly), filter_(headerOnly)
    {
    }

    // False with the reason in why() when the file is refused.
    bool read();
    const QString& why() const { return why_; }
    qint64 rowsAt() const { return rowsAt_; }

private:
    enum Place { Outside, Packet, Metadata, FieldList, RowData };

    bool refuse(const QString& reason)
    {
        why_ = reason;
        return false;
    }
    bool feedMore();
    // False when the reader has stopped: done, or refused with a reason.
    bool readerError(bool& done);
    bool startElement();
    bool enterPacketPart(QStringView name);
    void endElement();

    QFile& file_;
    LogTable& loaded_;
    PacketFields& fields_;
    const bool headerOnly_;
    PacketNameFilter filter_;
    QXmlStreamReader xml_;
    QByteArray block_ = QByteArray(1 << 20, Qt::Uninitialized);
    QByteArray filtered_;
    bool atEnd_ = false;
    qint64 rowsAt_ = -1;
    QString why_;

    Place place_ = Outside;
    int depth_ = 0;          // element depth
    int ignoredDepth_ = 0;   // > 0 inside an element the packet reader passes over
    bool sawRowData_ = false;
    bool closed_ = false;    // the DATAPACKET element has ended
};

bool GeneralPacketReader::read()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = xml_.readNext();
        if (xml_.hasError()) {
            bool done = false;
            if (!readerError(done))
                return false;
            if (done)
                break;
            continue;
        }
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference)
            return refuse(QStringLiteral("it holds a DTD or an entity"));   // never expanded
        if (token == QXmlStreamReader::StartElement && !startElement())
            return false;
        if (token == QXmlStreamReader::EndElement)
            endElement();
        if (token == QXmlStreamReader::EndDocument)
            break;
    }
    if (!closed_ || !sawRowData_)
        return refuse(QStringLiteral("it has no ROWDATA"));
    return !headerOnly_ || (rowsAt_ >= 0 && loaded_.rowCount() == 0);
}

bool GeneralPacketReader::feedMore()
{
    const qint64 n = file_.read(block_.data(), block_.size());
    if (n < 0)
        return refuse(file_.errorString());
    filtered_.clear();
    if (n == 0) {
        atEnd_ = true;
        filter_.finish(filtered_);
    } else {
        filter_.feed(block_.constData(), n, filtered_);
        if (filter_.rowsAt() >= 0) {
            atEnd_ = true;
            rowsAt_ = filter_.rowsAt();
            filtered_.append("</ROWDATA></DATAPACKET>");
        }
    }
    if (!filtered_.isEmpty())
        xml_.addData(filtered_);
    return filter_.malformed() ? refuse(filter_.malformedWhy()) : true;
}

bool GeneralPacketReader::readerError(bool& done)
{
    if (xml_.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        return refuse(QStringLiteral("line %1: %2").arg(xml_.lineNumber()).arg(xml_.errorString()));
    if (!atEnd_)
        return feedMore();   // the reader wants more of the file
    if (!closed_)
        return refuse(QStringLiteral("the packet is cut short"));
    done = true;
    return true;
}

bool GeneralPacketReader::startElement()
{
    if (++depth_ > kMaxPacketDepth)   // the reader would keep every open element
        return refuse(QStringLiteral("elements nest more than %1 deep").arg(kMaxPacketDepth));
    if (ignoredDepth_ > 0) {
        ++ignoredDepth_;
        return true;
    }
    const QStringView name = xml_.name();
    if (place_ == Outside) {
        if (depth_ != 1 || name != QLatin1String("DATAPACKET") || closed_)
            return refuse(QStringLiteral("it is not a data packet"));
        place_ = Packet;
        return true;
    }
    if (place_ == Packet && name == QLatin1String("ROWDATA") && (sawRowData_ || !fields_.complete()))
        return refuse(QStringLiteral("the field list lacks a field of the table"));
    if (enterPacketPart(name))
        return true;
    if (place_ == FieldList && name == QLatin1String("FIELD")) {
        if (!fields_.add(xml_.attributes()))
            return refuse(QStringLiteral("line %1: a field of the table declared twice or with "
                                         "another type or width").arg(xml_.lineNumber()));
    } else if (place_ == RowData && name == QLatin1String("ROW")) {
        LogRow row;
        if (!readRow(xml_.attributes(), fields_, row))
            return refuse(QStringLiteral("row %1: No or NVal is not a whole number").arg(loaded_.rowCount() + 1));
        loaded_.append(row);
    }
    ignoredDepth_ = 1;   // FIELD and ROW have nothing inside; PARAMS and other producers' elements are passed over
    return true;
}

// METADATA, FIELDS and ROWDATA: true when the element was one of them.
bool GeneralPacketReader::enterPacketPart(QStringView name)
{
    if (place_ == Packet && name == QLatin1String("METADATA")) {
        place_ = Metadata;
    } else if (place_ == Packet && name == QLatin1String("ROWDATA")) {
        sawRowData_ = true;
        place_ = RowData;
    } else if (place_ == Metadata && name == QLatin1String("FIELDS")) {
        place_ = FieldList;
    } else {
        return false;
    }
    return true;
}

void GeneralPacketReader::endElement()
{
    --depth_;
    if (ignoredDepth_ > 0) {
        --ignoredDepth_;
        return;
    }
    if (place_ == FieldList) {
        place_ = Metadata;
    } else if (place_ == Metadata || place_ == RowData) {
        place_ = Packet;
    } else if (place_ == Packet) {
        place_ = Outside;
        closed_ = true;
    }
}

}   // namespace

bool loadTableXmlGeneral(const QString& fileName, LogTable& table, QString* error, const FileProgress& progress)
{
    ProgressFile file(fileName, progress);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    LogTable loaded;
    PacketFields fields;
    GeneralPacketReader reader(file, loaded, fields, false);
    if (!reader.read()) {
        if (error)
            *error = reader.why();
        return false;
    }
    table.swap(loaded);
    return true;
}

bool loadTableXml(const QString& fileName, LogTable& table, QString* error, const FileProgress& progress)
{
    // The rows of a packet in the form this program writes are read by a fast scanner once the
    // general reader has checked everything before them; whatever the scanner does not know
    // sends the whole file to the general reader, which has the last word.
    {
        ProgressFile file(fileName, progress);
        if (!file.open(QIODevice::ReadOnly)) {
            if (error)
                *error = file.errorString();
            return false;
        }
        LogTable loaded;
        PacketFields fields;
        GeneralPacketReader header(file, loaded, fields, true);
        if (header.read() && file.seek(header.rowsAt()) && readPacketRows(file, fields.rowNames(), loaded)) {
            table.swap(loaded);
            return true;
        }
    }
    return loadTableXmlGeneral(fileName, table, error, progress);
}
