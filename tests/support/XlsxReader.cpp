#include "tests/support/XlsxReader.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <pugixml.hpp>
#include <zlib.h>

#include <cmath>

namespace {

quint32 le16(const QByteArray &d, qsizetype at) { return quint32(uchar(d[at])) | quint32(uchar(d[at + 1])) << 8; }

quint32 le32(const QByteArray &d, qsizetype at) { return le16(d, at) | le16(d, at + 2) << 16; }

bool inflateRaw(const char *in, qsizetype inSize, qsizetype outSize, QByteArray *out)
{
    out->resize(outSize);
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in));
    z.avail_in = uInt(inSize);
    z.next_out = reinterpret_cast<Bytef *>(out->data());
    z.avail_out = uInt(outSize);
    const int rc = inflate(&z, Z_FINISH);
    const bool ok = rc == Z_STREAM_END && z.total_out == uLong(outSize);
    inflateEnd(&z);
    return ok;
}

// Text of an inline or shared string item: its <t> parts, without phonetic runs.
QString itemText(const pugi::xml_node &item)
{
    QString text;
    for (pugi::xml_node child : item.children()) {
        const QString name = QString::fromUtf8(child.name());
        if (name == QLatin1String("t"))
            text += QString::fromUtf8(child.text().get());
        else if (name == QLatin1String("r"))
            text += QString::fromUtf8(child.child("t").text().get());
    }
    // Characters XML cannot carry are written as _xHHHH_.
    static const QRegularExpression escaped(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype from = 0;
    auto it = escaped.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += text.mid(from, m.capturedStart() - from);
        out += QChar(char16_t(m.captured(1).toUShort(nullptr, 16)));
        from = m.capturedEnd();
    }
    out += text.mid(from);
    return out;
}

// 0-based column of a cell reference such as "AB12"; -1 when there is none.
int columnOf(const char *ref)
{
    int col = 0;
    bool any = false;
    for (; *ref >= 'A' && *ref <= 'Z'; ++ref) {
        col = col * 26 + (*ref - 'A' + 1);
        any = true;
    }
    return any ? col - 1 : -1;
}

QString builtInFormat(int id)
{
    switch (id) {
    case 0:
        return QStringLiteral("General");
    case 1:
        return QStringLiteral("0");
    case 2:
        return QStringLiteral("0.00");
    case 14:
        return QStringLiteral("mm-dd-yy");
    case 20:
        return QStringLiteral("h:mm");
    case 21:
        return QStringLiteral("h:mm:ss");
    case 22:
        return QStringLiteral("m/d/yy h:mm");
    case 49:
        return QStringLiteral("@");
    default:
        return QStringLiteral("builtin:") + QString::number(id);
    }
}

} // namespace

bool XlsxCell::isDate() const
{
    if (kind != Number || numberFormat == QLatin1String("General")) return false;
    QString code = numberFormat.toLower();
    code.remove(QRegularExpression(QStringLiteral("\\[[^\\]]*\\]|\"[^\"]*\"")));
    for (QChar ch : code)
        if (ch == u'd' || ch == u'm' || ch == u'y' || ch == u'h' || ch == u's') return true;
    return false;
}

XlsxCell XlsxSheet::cell(int row, int column) const
{
    if (row < 0 || row >= rows.size() || column < 0 || column >= rows[row].size()) return XlsxCell();
    return rows[row][column];
}

QStringList XlsxSheet::rowTexts(int row) const
{
    QStringList out;
    if (row < 0 || row >= rows.size()) return out;
    for (const XlsxCell &c : rows[row]) {
        switch (c.kind) {
        case XlsxCell::Empty:
            out << QString();
            break;
        case XlsxCell::Number:
            out << QString::number(c.number, 'g', 15);
            break;
        case XlsxCell::Bool:
            out << (c.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
            break;
        case XlsxCell::Text:
        case XlsxCell::Error:
            out << c.text;
            break;
        }
    }
    return out;
}

QString XlsxReader::dateText(double serial, const QString &qtFormat)
{
    const double day = std::floor(serial);
    const QDate base = day >= 61 ? QDate(1899, 12, 30) : QDate(1899, 12, 31);
    const QDate date = base.addDays(qint64(day));
    const int ms = int(std::llround((serial - day) * 86400000.0));
    return QDateTime(date, QTime(0, 0).addMSecs(ms)).toString(qtFormat);
}

QStringList XlsxReader::sheetNames() const
{
    QStringList names;
    for (const XlsxSheet &s : m_sheets) names << s.name;
    return names;
}

bool XlsxReader::fail(const QString &message)
{
    m_error = message;
    return false;
}

bool XlsxReader::open(const QString &path)
{
    m_members.clear();
    m_sheets.clear();
    m_error.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return fail(QStringLiteral("cannot open ") + path);
    if (!readZip(f.readAll())) return false;
    return readWorkbook();
}

bool XlsxReader::readZip(const QByteArray &d)
{
    const qsizetype size = d.size();
    qsizetype eocd = -1;
    for (qsizetype at = size - 22; at >= 0 && at >= size - 22 - 65535; --at) {
        if (le32(d, at) == 0x06054b50u) {
            eocd = at;
            break;
        }
    }
    if (eocd < 0) return fail(QStringLiteral("no end of central directory"));
    const quint32 entries = le16(d, eocd + 10);
    qsizetype at = le32(d, eocd + 16);
    for (quint32 i = 0; i < entries; ++i) {
        if (at + 46 > size || le32(d, at) != 0x02014b50u) return fail(QStringLiteral("bad central directory"));
        const quint32 method = le16(d, at + 10);
        const quint32 crc = le32(d, at + 16);
        const qsizetype packed = le32(d, at + 20);
        const qsizetype unpacked = le32(d, at + 24);
        const qsizetype nameLen = le16(d, at + 28);
        const qsizetype extraLen = le16(d, at + 30);
        const qsizetype commentLen = le16(d, at + 32);
        const qsizetype local = le32(d, at + 42);
        const QString name = QString::fromUtf8(d.mid(at + 46, nameLen));
        at += 46 + nameLen + extraLen + commentLen;

        if (local + 30 > size || le32(d, local) != 0x04034b50u)
            return fail(QStringLiteral("bad local header: ") + name);
        const qsizetype dataAt = local + 30 + le16(d, local + 26) + le16(d, local + 28);
        if (dataAt + packed > size) return fail(QStringLiteral("truncated member: ") + name);
        QByteArray content;
        if (method == 0)
            content = d.mid(dataAt, packed);
        else if (method == 8) {
            if (!inflateRaw(d.constData() + dataAt, packed, unpacked, &content))
                return fail(QStringLiteral("cannot inflate ") + name);
        } else
            return fail(QStringLiteral("unknown compression of ") + name);
        if (crc32(0L, reinterpret_cast<const Bytef *>(content.constData()), uInt(content.size())) != crc)
            return fail(QStringLiteral("checksum mismatch in ") + name);
        m_members.insert(name, content);
    }
    return true;
}

bool XlsxReader::readWorkbook()
{
    auto parse = [this](const QString &name, pugi::xml_document &doc) {
        const QByteArray data = m_members.value(name);
        if (data.isEmpty()) return fail(QStringLiteral("missing ") + name);
        if (!doc.load_buffer(data.constData(), size_t(data.size()))) return fail(QStringLiteral("bad XML in ") + name);
        return true;
    };

    pugi::xml_document workbook, rels;
    if (!parse(QStringLiteral("xl/workbook.xml"), workbook)) return false;
    if (!parse(QStringLiteral("xl/_rels/workbook.xml.rels"), rels)) return false;
    QMap<QString, QString> targets;
    for (pugi::xml_node r : rels.child("Relationships").children("Relationship")) {
        QString target = QString::fromUtf8(r.attribute("Target").value());
        target = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
        targets.insert(QString::fromUtf8(r.attribute("Id").value()), target);
    }

    QStringList shared;
    if (m_members.contains(QStringLiteral("xl/sharedStrings.xml"))) {
        pugi::xml_document sst;
        if (!parse(QStringLiteral("xl/sharedStrings.xml"), sst)) return false;
        for (pugi::xml_node si : sst.child("sst").children("si")) shared << itemText(si);
    }

    QVector<QString> styleFormats;
    if (m_members.contains(QStringLiteral("xl/styles.xml"))) {
        pugi::xml_document styles;
        if (!parse(QStringLiteral("xl/styles.xml"), styles)) return false;
        const pugi::xml_node root = styles.child("styleSheet");
        QMap<int, QString> custom;
        for (pugi::xml_node f : root.child("numFmts").children("numFmt"))
            custom.insert(f.attribute("numFmtId").as_int(), QString::fromUtf8(f.attribute("formatCode").value()));
        for (pugi::xml_node xf : root.child("cellXfs").children("xf")) {
            const int id = xf.attribute("numFmtId").as_int();
            styleFormats << custom.value(id, builtInFormat(id));
        }
    }

    for (pugi::xml_node s : workbook.child("workbook").child("sheets").children("sheet")) {
        XlsxSheet sheet;
        sheet.name = QString::fromUtf8(s.attribute("name").value());
        const QString target = targets.value(QString::fromUtf8(s.attribute("r:id").value()));
        pugi::xml_document doc;
        if (!parse(target, doc)) return false;
        int nextRow = 0;
        for (pugi::xml_node row : doc.child("worksheet").child("sheetData").children("row")) {
            const int r = row.attribute("r") ? row.attribute("r").as_int() - 1 : nextRow;
            nextRow = r + 1;
            if (r >= sheet.rows.size()) sheet.rows.resize(r + 1);
            QVector<XlsxCell> &cells = sheet.rows[r];
            int nextCol = 0;
            for (pugi::xml_node c : row.children("c")) {
                int col = columnOf(c.attribute("r").value());
                if (col < 0) col = nextCol;
                nextCol = col + 1;
                if (col >= cells.size()) cells.resize(col + 1);
                XlsxCell &cell = cells[col];
                const int style = c.attribute("s").as_int(0);
                cell.numberFormat = style < styleFormats.size() ? styleFormats[style] : QStringLiteral("General");
                const QString type = QString::fromUtf8(c.attribute("t").value());
                const QString v = QString::fromUtf8(c.child("v").text().get());
                if (type == QLatin1String("inlineStr")) {
                    cell.kind = XlsxCell::Text;
                    cell.text = itemText(c.child("is"));
                } else if (type == QLatin1String("s")) {
                    const int index = v.toInt();
                    if (index < 0 || index >= shared.size()) return fail(QStringLiteral("bad shared string index"));
                    cell.kind = XlsxCell::Text;
                    cell.text = shared[index];
                } else if (type == QLatin1String("str")) {
                    cell.kind = XlsxCell::Text;
                    cell.text = v;
                } else if (type == QLatin1String("b")) {
                    cell.kind = XlsxCell::Bool;
                    cell.number = v.toDouble();
                } else if (type == QLatin1String("e")) {
                    cell.kind = XlsxCell::Error;
                    cell.text = v;
                } else if (c.child("v")) {
                    bool ok = false;
                    cell.kind = XlsxCell::Number;
                    cell.number = v.toDouble(&ok);
                    if (!ok) return fail(QStringLiteral("bad number ") + v);
                }
            }
        }
        while (!sheet.rows.isEmpty() && sheet.rows.last().isEmpty()) sheet.rows.removeLast();
        m_sheets << sheet;
    }
    if (m_sheets.isEmpty()) return fail(QStringLiteral("no sheets"));
    return true;
}
