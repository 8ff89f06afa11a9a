#pragma once

// A small reader of .xlsx workbooks for tests: opens the zip container (stored and deflated
// members), reads the sheet names in workbook order and the cells of a sheet with their
// kinds, values and number formats. Enough to check what the export wrote.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

struct XlsxCell {
    enum Kind { Empty, Number, Text, Bool, Error };
    Kind kind = Empty;
    double number = 0;                                // Number and Bool
    QString text;                                     // Text (also the raw value of Error)
    QString numberFormat = QStringLiteral("General"); // format code of the cell's style

    bool isDate() const; // a number whose format shows a date or a time
};

struct XlsxSheet {
    QString name;
    QVector<QVector<XlsxCell>> rows; // rows[r][c], 0-based; trailing empty rows are absent

    int rowCount() const { return int(rows.size()); }
    // The cell at (row, column), 0-based; Empty when outside.
    XlsxCell cell(int row, int column) const;
    // The texts of a row as a spreadsheet shows them in General format (numbers plainly).
    QStringList rowTexts(int row) const;
};

class XlsxReader {
public:
    // Reads the whole workbook; false with error() set when it is not a readable workbook.
    bool open(const QString &path);
    QString error() const { return m_error; }

    QStringList sheetNames() const;
    const QVector<XlsxSheet> &sheets() const { return m_sheets; }
    const XlsxSheet &sheet(int index) const { return m_sheets.at(index); }

    // Raw members of the container, by name (e.g. "xl/workbook.xml").
    QStringList memberNames() const { return m_members.keys(); }
    QByteArray member(const QString &name) const { return m_members.value(name); }

    // A day number of the spreadsheet calendar as a date and time (day 1 = 1 January 1900).
    static QString dateText(double serial, const QString &qtFormat);

private:
    bool fail(const QString &message);
    bool readZip(const QByteArray &data);
    bool readWorkbook();

    QMap<QString, QByteArray> m_members;
    QVector<XlsxSheet> m_sheets;
    QString m_error;
};
