#pragma once

// Builds a small ERP database stand-in in a folder: <folder>/ORVEK.db holds the company lists
// SIR and SDK, each company's tables CHK, YTK and KTK live in <folder>/HAVLEN4<code>.db. The
// ERP connection opens it when gErpServer is "sqlite:<folder>".
//
// fillSample() writes the rows below; tests rely on them.
//
// Company "01" (SIR Kod "01", KisaAdi "Merkez Ticaret"), company "02" ("Şube Dağıtım"):
//   01  120.001  Çağlar Gıda Ltd. Şti.   KartTip 0  GrupKod G01 (Tip 6)  balance 1250,75
//       contacts: Ayşe Yılmaz 532 1234567 (F, born 1980-03-15, married 2005-06-20)
//                 İsmail Öztürk 505 7654321 (M)
//                 Gülşen Çelik 542 1112233 (F, no dates)
//   01  120.002  Işık Tekstil A.Ş.        KartTip 0  GrupKod G02 (Tip 5)  balance 0
//       contacts: Şükrü Ağaoğlu 533 (CepTel "")      -> never listed
//                 Ümit Işık  CepTelBKod Null 2223344 -> never listed
//                 Irmak Ilgaz 554 3334455
//   01  120.003  Öztürk İnşaat            KartTip 1  GrupKod G01           balance 500
//       contacts: Ömer Öz 535 9998877                -> never listed (KartTip 1)
//   01  120.004  Şen Otomotiv             KartTip 0  GrupKod G01           balance -300
//       contacts: Çiğdem Şen 555 4445566
//   01  120.005  Boş Hesap                KartTip 0  no contact person
//   02  320.001  Deniz Yapı               KartTip 0  GrupKod G01 (Tip 6)  balance 10
//       contacts: Deniz Kaya 506 1231231
//
// Expected rows of company 01: ChkMesaj 5 (120.001 x3, 120.002 x1, 120.004 x1), YetkiliMesaj 5,
// GrupMesaj 4 (G02 is not Tip 6), BakiyeMesaj 3 (only 120.001 has a balance above 0).

#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

class ErpStandIn {
public:
    explicit ErpStandIn(const QString &folder, const QString &database = QStringLiteral("ORVEK"));
    ~ErpStandIn();

    QString folder() const { return m_folder; }
    QString database() const { return m_database; }
    QString serverSetting() const { return QStringLiteral("sqlite:") + m_folder; }

    // Adds a company (SIR and SDK rows) and creates its table file.
    void addCompany(const QString &code, const QString &shortName);
    // Adds an SDK/SIR pair without creating tables (for odd company lists).
    void addCompanyListRow(const QString &sdkKod, const QString &sirKod, const QString &shortName);
    // Column -> value maps; missing columns take the table's default (Null or 0).
    void addAccount(const QString &company, const QVariantMap &values);
    void addContact(const QString &company, const QVariantMap &values);
    void addCode(const QString &company, const QString &kod, int tip, const QString &aciklama);
    void exec(const QString &file, const QString &sql, const QVariantList &binds = {});
    // Many rows in one transaction (benchmarks).
    void begin(const QString &company);
    void commit(const QString &company);

    void fillSample();
    // Points the program-wide ERP settings at this stand-in.
    void configure() const;

    // The day number that the ERP stores for a date (days since 1899-12-30).
    static int dayNumber(int year, int month, int day);

private:
    QString connectionFor(const QString &file);
    QString m_folder;
    QString m_database;
    QStringList m_connections;
};

// The sample stand-in (fillSample(), then `extra` if given), built once in a temporary folder;
// copyInto() gives each test its own copy of the database files. Keep one as a function-local
// static so the sample is built only when first needed.
class ErpSampleCopies {
public:
    explicit ErpSampleCopies(const std::function<void(ErpStandIn &)> &extra = {});

    // Copies the sample's database files into `folder` (made if missing); returns `folder`.
    QString copyInto(const QString &folder) const;

private:
    QTemporaryDir m_dir;
};
