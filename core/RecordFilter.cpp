#include "core/RecordFilter.h"

#include "core/OrvekError.h"

#include <QCollator>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <cmath>
#include <vector>

namespace recordfilter {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, Like };

struct Node {
    virtual ~Node() = default;
    virtual bool eval(const RecordRow &row) const = 0;
};

namespace {

// Deepest nesting of parentheses accepted; keeps the recursive parser's stack small.
constexpr int kMaxDepth = 64;

QVariant cell(const RecordRow &row, int column) { return column < row.size() ? row.at(column) : QVariant(); }

bool holds(Op op, int cmp)
{
    switch (op) {
    case Op::Eq:
        return cmp == 0;
    case Op::Ne:
        return cmp != 0;
    case Op::Lt:
        return cmp < 0;
    case Op::Gt:
        return cmp > 0;
    case Op::Le:
        return cmp <= 0;
    case Op::Ge:
        return cmp >= 0;
    case Op::Like:
        break;
    }
    return false;
}

inline char16_t foldUnit(char16_t c)
{
    if (c < 0x80) {
        if (c >= u'A' && c <= u'Z') return c == u'I' ? char16_t(0x0131) : char16_t(c + 32);
        return c;
    }
    if (c == 0x0130) return u'i'; // İ
    const char32_t f = QChar::toCaseFolded(char32_t(c));
    return f <= 0xFFFF ? char16_t(f) : c;
}

QStringView trimTrailingBlanks(QStringView s)
{
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == u' ') --n;
    return s.first(n);
}

// Folds `s` into `out`, reusing its buffer.
void foldInto(QStringView s, QString &out)
{
    out.resize(s.size());
    QChar *d = out.data();
    for (qsizetype i = 0; i < s.size(); ++i) d[i] = QChar(foldUnit(s[i].unicode()));
}

bool foldedPrefixEquals(QStringView value, QStringView folded)
{
    if (value.size() < folded.size()) return false;
    for (qsizetype i = 0; i < folded.size(); ++i)
        if (foldUnit(value[i].unicode()) != folded[i].unicode()) return false;
    return true;
}

// The text of a text field's value; false for Null.
bool textOf(const QVariant &v, QString &tmp, QStringView &out)
{
    if (v.isNull()) return false;
    if (v.typeId() == QMetaType::QString) {
        out = *static_cast<const QString *>(v.constData());
    } else {
        tmp = v.toString();
        out = tmp;
    }
    return true;
}

bool numberOf(const QVariant &v, double &out)
{
    if (v.isNull()) return false;
    switch (v.typeId()) {
    case QMetaType::Double:
        out = *static_cast<const double *>(v.constData());
        break;
    case QMetaType::Int:
        out = *static_cast<const int *>(v.constData());
        break;
    case QMetaType::LongLong:
        out = double(*static_cast<const qlonglong *>(v.constData()));
        break;
    default: {
        bool ok = false;
        out = v.toDouble(&ok);
        if (!ok) return false;
    }
    }
    return !std::isnan(out);
}

struct Moment {
    qint64 day = 0; // Julian day
    int msecs = 0;  // since midnight
};

int compareMoments(const Moment &a, const Moment &b)
{
    if (a.day != b.day) return a.day < b.day ? -1 : 1;
    if (a.msecs != b.msecs) return a.msecs < b.msecs ? -1 : 1;
    return 0;
}

bool momentOf(const QVariant &v, Moment &out)
{
    if (v.isNull()) return false;
    QDate d;
    int ms = 0;
    if (v.typeId() == QMetaType::QDate) {
        d = *static_cast<const QDate *>(v.constData());
    } else {
        const QDateTime dt =
            v.typeId() == QMetaType::QDateTime ? *static_cast<const QDateTime *>(v.constData()) : v.toDateTime();
        if (!dt.isValid()) return false;
        d = dt.date();
        ms = dt.time().msecsSinceStartOfDay();
    }
    if (!d.isValid()) return false;
    out.day = d.toJulianDay();
    out.msecs = ms;
    return true;
}

// --- compiled nodes -----------------------------------------------------------------------

struct AndNode : Node {
    std::vector<std::unique_ptr<Node>> parts;
    bool eval(const RecordRow &row) const override
    {
        for (const auto &p : parts)
            if (!p->eval(row)) return false;
        return true;
    }
};

struct OrNode : Node {
    std::vector<std::unique_ptr<Node>> parts;
    bool eval(const RecordRow &row) const override
    {
        for (const auto &p : parts)
            if (p->eval(row)) return true;
        return false;
    }
};

struct NumberClause : Node {
    int column = 0;
    Op op = Op::Eq;
    double value = 0;
    bool eval(const RecordRow &row) const override
    {
        double x;
        if (!numberOf(cell(row, column), x)) return false;
        return holds(op, x < value ? -1 : (x > value ? 1 : 0));
    }
};

struct DateClause : Node {
    int column = 0;
    Op op = Op::Eq;
    Moment value;
    bool eval(const RecordRow &row) const override
    {
        Moment m;
        if (!momentOf(cell(row, column), m)) return false;
        return holds(op, compareMoments(m, value));
    }
};

// = and <> (and LIKE without a wildcard): folded equality, trailing blanks ignored.
struct TextEqualClause : Node {
    int column = 0;
    bool negate = false;
    QString folded; // folded literal without trailing blanks
    bool eval(const RecordRow &row) const override
    {
        QString tmp;
        QStringView v;
        const QVariant held = cell(row, column); // v may point into it
        if (!textOf(held, tmp, v)) return false;
        v = trimTrailingBlanks(v);
        bool eq = v.size() == folded.size() && foldedPrefixEquals(v, folded);
        return eq != negate;
    }
};

// < > <= >=: folded texts in the order of the Turkish alphabet.
struct TextOrderClause : Node {
    int column = 0;
    Op op = Op::Lt;
    QString folded;
    std::shared_ptr<const QCollator> collator;
    bool eval(const RecordRow &row) const override
    {
        thread_local QString scratch;
        QString tmp;
        QStringView v;
        const QVariant held = cell(row, column); // v may point into it
        if (!textOf(held, tmp, v)) return false;
        foldInto(trimTrailingBlanks(v), scratch);
        int cmp = 0;
        if (scratch != folded) {
            cmp = collator->compare(scratch, folded);
            if (cmp == 0) cmp = QStringView(scratch).compare(folded);
        }
        return holds(op, cmp);
    }
};

struct TextPrefixClause : Node {
    int column = 0;
    QString folded;
    bool eval(const RecordRow &row) const override
    {
        QString tmp;
        QStringView v;
        const QVariant held = cell(row, column); // v may point into it
        if (!textOf(held, tmp, v)) return false;
        return foldedPrefixEquals(v, folded);
    }
};

struct TextContainsClause : Node {
    int column = 0;
    QString folded;
    bool eval(const RecordRow &row) const override
    {
        thread_local QString scratch;
        QString tmp;
        QStringView v;
        const QVariant held = cell(row, column); // v may point into it
        if (!textOf(held, tmp, v)) return false;
        if (folded.isEmpty()) return true;
        if (v.size() < folded.size()) return false;
        foldInto(v, scratch);
        return QStringView(scratch).contains(folded);
    }
};

// --- tokens -------------------------------------------------------------------------------

enum class Tok { End, LParen, RParen, Compare, Text, Number, Date, Name, And, Or };

struct Token {
    Tok kind = Tok::End;
    int pos = 0; // index of the first character
    int end = 0; // index after the last character
    Op op = Op::Eq;
    QString text; // Text: without quotes, apostrophes undoubled; Number: as written; Date: inside #; Name
};

[[noreturn]] void fail(const QString &description) { throw OrvekError(description); }

[[noreturn]] void failAt(int pos, const QString &what)
{
    fail(QStringLiteral("%1. karakterde %2").arg(pos + 1).arg(what));
}

bool isNameStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// Reads tokens on demand, so a fault is reported where the parser meets it.
class Lexer {
public:
    explicit Lexer(const QString &text) : s(text), n(int(text.size())) {}
    Token next();

private:
    const QString &s;
    const int n;
    int i = 0;
};

Token Lexer::next()
{
    while (i < n && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\r' || s[i] == u'\n')) ++i;
    Token t;
    t.pos = i;
    if (i >= n) {
        t.end = n;
        return t;
    }
    const QChar c = s[i];
    if (c == u'(' || c == u')') {
        t.kind = c == u'(' ? Tok::LParen : Tok::RParen;
        ++i;
    } else if (c == u'=' || c == u'<' || c == u'>') {
        t.kind = Tok::Compare;
        const QChar next = i + 1 < n ? s[i + 1] : QChar();
        if (c == u'<' && next == u'>') {
            t.op = Op::Ne;
            i += 2;
        } else if (c != u'=' && next == u'=') {
            t.op = c == u'<' ? Op::Le : Op::Ge;
            i += 2;
        } else {
            t.op = c == u'=' ? Op::Eq : (c == u'<' ? Op::Lt : Op::Gt);
            ++i;
        }
    } else if (c == u'\'') {
        t.kind = Tok::Text;
        ++i;
        while (true) {
            if (i >= n) failAt(t.pos, QStringLiteral("açılan tırnak (') kapanmıyor."));
            if (s[i] == u'\'') {
                if (i + 1 < n && s[i + 1] == u'\'') {
                    t.text += u'\'';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            t.text += s[i++];
        }
    } else if (c == u'#') {
        t.kind = Tok::Date;
        const qsizetype close = s.indexOf(u'#', i + 1);
        if (close < 0) failAt(t.pos, QStringLiteral("açılan tarih (#) kapanmıyor."));
        t.text = s.mid(i + 1, close - i - 1);
        i = int(close) + 1;
    } else if (c == u'[') {
        t.kind = Tok::Name;
        const qsizetype close = s.indexOf(u']', i + 1);
        if (close < 0) failAt(t.pos, QStringLiteral("açılan köşeli ayraç ([) kapanmıyor."));
        t.text = s.mid(i + 1, close - i - 1);
        if (t.text.trimmed().isEmpty()) failAt(t.pos, QStringLiteral("alan adı boş."));
        i = int(close) + 1;
    } else if (c.isDigit() || c == u'.' || c == u'-' || c == u'+') {
        // A number runs over digits, letters, points and signs; it is checked as a whole,
        // so "12a" is reported as one wrong number.
        t.kind = Tok::Number;
        int j = i + 1;
        while (j < n && (isNameChar(s[j]) || s[j] == u'.' ||
                         ((s[j] == u'-' || s[j] == u'+') && (s[j - 1] == u'e' || s[j - 1] == u'E'))))
            ++j;
        t.text = s.mid(i, j - i);
        i = j;
    } else if (isNameStart(c)) {
        int j = i + 1;
        while (j < n && isNameChar(s[j])) ++j;
        t.text = s.mid(i, j - i);
        i = j;
        if (t.text.compare(QLatin1String("and"), Qt::CaseInsensitive) == 0) {
            t.kind = Tok::And;
        } else if (t.text.compare(QLatin1String("or"), Qt::CaseInsensitive) == 0) {
            t.kind = Tok::Or;
        } else if (t.text.compare(QLatin1String("like"), Qt::CaseInsensitive) == 0) {
            t.kind = Tok::Compare;
            t.op = Op::Like;
        } else {
            t.kind = Tok::Name;
        }
    } else {
        failAt(i, QStringLiteral("tanınmayan karakter: %1").arg(c));
    }
    t.end = i;
    return t;
}

// --- literals -----------------------------------------------------------------------------

// number := [+-] (digits [. digits] | . digits) [e [+-] digits]
bool parseNumber(QStringView s, double &out)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto digits = [&]() {
        const qsizetype start = i;
        while (i < n && s[i] >= u'0' && s[i] <= u'9') ++i;
        return i - start;
    };
    if (i < n && (s[i] == u'+' || s[i] == u'-')) ++i;
    qsizetype mantissa = digits();
    if (i < n && s[i] == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) ++i;
        if (digits() == 0) return false;
    }
    if (i != n) return false;
    bool ok = false;
    out = QLocale::c().toDouble(s, &ok);
    return ok && std::isfinite(out);
}

// A text that holds a number: blanks around it are ignored, the decimal sign is a point or a
// comma (not both).
bool parseNumberText(const QString &text, double &out)
{
    QString t = text.trimmed();
    if (t.contains(u',')) {
        if (t.contains(u'.')) return false;
        t.replace(u',', u'.');
    }
    return parseNumber(t, out);
}

// d/m/yyyy with one or two digits for day and month; `sep` is the separator.
bool parseDate(const QString &text, QChar sep, QDate &out)
{
    const QStringList parts = text.trimmed().split(sep);
    if (parts.size() != 3) return false;
    int values[3];
    for (int k = 0; k < 3; ++k) {
        const QString &p = parts[k];
        const int want = k == 2 ? 4 : 2;
        if (p.isEmpty() || p.size() > want || (k == 2 && p.size() != 4)) return false;
        for (QChar ch : p)
            if (ch < u'0' || ch > u'9') return false;
        values[k] = p.toInt();
    }
    out = QDate(values[2], values[1], values[0]);
    return out.isValid();
}

// --- parser -------------------------------------------------------------------------------

enum class FieldKind { Text, Number, Date };

FieldKind kindOf(QMetaType::Type type)
{
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return FieldKind::Number;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return FieldKind::Date;
    default:
        return FieldKind::Text;
    }
}

QString excerpt(const QString &s, int pos)
{
    QString e = s.mid(pos, 24);
    if (pos + 24 < s.size()) e += QStringLiteral("…");
    return e;
}

class Parser {
public:
    Parser(const QString &text, const QVector<RecordField> &fields) : m_text(text), m_fields(fields), m_lexer(text)
    {
        m_current = m_lexer.next();
    }

    std::unique_ptr<Node> parse()
    {
        auto root = parseOr(0);
        if (peek().kind != Tok::End) unexpected();
        return root;
    }

private:
    const Token &peek() const { return m_current; }
    Token take()
    {
        Token t = std::move(m_current);
        m_previousKind = t.kind;
        m_previousEnd = t.end;
        m_current = m_lexer.next();
        return t;
    }

    [[noreturn]] void unexpected() const
    {
        const Token &t = peek();
        QString what;
        if (t.kind == Tok::End)
            what = QStringLiteral("ifade beklenmedik biçimde bitiyor.");
        else
            what = QStringLiteral("beklenmeyen metin: %1").arg(excerpt(m_text, t.pos));
        if (t.kind != Tok::End && m_previousKind == Tok::Text && m_previousEnd == t.pos)
            what += QStringLiteral(" (metin değerinin içindeki tek tırnak (') değeri orada bitiriyor)");
        failAt(t.pos, what);
    }

    std::unique_ptr<Node> parseOr(int depth)
    {
        auto first = parseAnd(depth);
        if (peek().kind != Tok::Or) return first;
        auto node = std::make_unique<OrNode>();
        node->parts.push_back(std::move(first));
        while (peek().kind == Tok::Or) {
            take();
            node->parts.push_back(parseAnd(depth));
        }
        return node;
    }

    std::unique_ptr<Node> parseAnd(int depth)
    {
        auto first = parseFactor(depth);
        if (peek().kind != Tok::And) return first;
        auto node = std::make_unique<AndNode>();
        node->parts.push_back(std::move(first));
        while (peek().kind == Tok::And) {
            take();
            node->parts.push_back(parseFactor(depth));
        }
        return node;
    }

    std::unique_ptr<Node> parseFactor(int depth)
    {
        if (peek().kind == Tok::LParen) {
            if (depth >= kMaxDepth) failAt(peek().pos, QStringLiteral("ayraçlar çok derin iç içe."));
            take();
            auto inner = parseOr(depth + 1);
            if (peek().kind != Tok::RParen) {
                if (peek().kind == Tok::End) failAt(peek().pos, QStringLiteral("kapanış ayracı ')' bekleniyor."));
                unexpected();
            }
            take();
            return inner;
        }
        return parseClause();
    }

    int findField(const QString &name) const
    {
        for (int i = 0; i < m_fields.size(); ++i)
            if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }

    std::unique_ptr<Node> parseClause()
    {
        if (peek().kind != Tok::Name) {
            if (peek().kind == Tok::End) failAt(peek().pos, QStringLiteral("alan adı bekleniyor; ifade bitmiş."));
            failAt(peek().pos, QStringLiteral("alan adı bekleniyor: %1").arg(excerpt(m_text, peek().pos)));
        }
        const Token nameTok = take();
        const int column = findField(nameTok.text);
        if (column < 0) fail(QStringLiteral("Kayıtlarda '%1' adında bir alan yok.").arg(nameTok.text));

        if (peek().kind != Tok::Compare)
            failAt(peek().pos, QStringLiteral("karşılaştırma işleci (=, <>, <, >, <=, >=, LIKE) bekleniyor."));
        const Token opTok = take();

        const Tok vk = peek().kind;
        if (vk != Tok::Text && vk != Tok::Number && vk != Tok::Date)
            failAt(peek().pos, QStringLiteral("değer bekleniyor ('metin', sayı ya da #gg/aa/yyyy#)."));
        const Token valueTok = take();
        if (valueTok.kind == Tok::Number) {
            double ignored;
            if (!parseNumber(valueTok.text, ignored))
                fail(QStringLiteral("%1 geçerli bir sayı değil.").arg(valueTok.text));
        }
        QDate literalDate;
        if (valueTok.kind == Tok::Date && !parseDate(valueTok.text, u'/', literalDate))
            fail(QStringLiteral("#%1# geçerli bir tarih değil (gün/ay/yıl).").arg(valueTok.text));

        const RecordField &field = m_fields[column];
        switch (kindOf(field.type)) {
        case FieldKind::Text:
            return textClause(column, field, opTok.op, valueTok);
        case FieldKind::Number:
            return numberClause(column, field, opTok.op, valueTok);
        case FieldKind::Date:
            return dateClause(column, field, opTok.op, valueTok, literalDate);
        }
        return nullptr;
    }

    static void refuseLike(const RecordField &field)
    {
        fail(QStringLiteral("LIKE yalnızca metin alanlarında kullanılabilir; '%1' metin alanı değil.").arg(field.name));
    }

    std::unique_ptr<Node> textClause(int column, const RecordField &field, Op op, const Token &v)
    {
        if (v.kind == Tok::Date)
            fail(QStringLiteral("'%1' bir metin alanı; tarih değeriyle karşılaştırılamaz.").arg(field.name));
        const QString &literal = v.text; // a number is compared as the text it is written as
        if (op == Op::Like) return likeClause(column, literal);
        if (op == Op::Eq || op == Op::Ne) {
            auto node = std::make_unique<TextEqualClause>();
            node->column = column;
            node->negate = op == Op::Ne;
            node->folded = TurkishFold(trimTrailingBlanks(literal));
            return node;
        }
        auto node = std::make_unique<TextOrderClause>();
        node->column = column;
        node->op = op;
        node->folded = TurkishFold(trimTrailingBlanks(literal));
        node->collator = turkishCollator();
        return node;
    }

    std::unique_ptr<Node> likeClause(int column, const QString &pattern)
    {
        auto isWild = [](QChar c) { return c == u'*' || c == u'%'; };
        qsizetype b = 0, e = pattern.size();
        while (b < e && isWild(pattern[b])) ++b;
        const bool leading = b > 0;
        while (e > b && isWild(pattern[e - 1])) --e;
        const bool trailing = e < pattern.size() || (leading && b == pattern.size());
        const QStringView core = QStringView(pattern).mid(b, e - b);
        for (QChar c : core)
            if (isWild(c))
                fail(QStringLiteral("LIKE değerinde joker karakter (* ya da %) yalnızca sonda ya da hem "
                                    "başta hem sonda olabilir: '%1'")
                         .arg(pattern));
        if (leading && !trailing)
            fail(QStringLiteral("LIKE değerinde joker karakter (* ya da %) yalnızca sonda ya da hem "
                                "başta hem sonda olabilir: '%1'")
                     .arg(pattern));
        if (leading) {
            auto node = std::make_unique<TextContainsClause>();
            node->column = column;
            node->folded = TurkishFold(core);
            return node;
        }
        if (trailing) {
            auto node = std::make_unique<TextPrefixClause>();
            node->column = column;
            node->folded = TurkishFold(core);
            return node;
        }
        auto node = std::make_unique<TextEqualClause>();
        node->column = column;
        node->folded = TurkishFold(trimTrailingBlanks(core));
        return node;
    }

    std::unique_ptr<Node> numberClause(int column, const RecordField &field, Op op, const Token &v)
    {
        if (op == Op::Like) refuseLike(field);
        auto node = std::make_unique<NumberClause>();
        node->column = column;
        node->op = op;
        if (v.kind == Tok::Date)
            fail(QStringLiteral("'%1' bir sayı alanı; tarih değeriyle karşılaştırılamaz.").arg(field.name));
        const bool ok = v.kind == Tok::Number ? parseNumber(v.text, node->value) : parseNumberText(v.text, node->value);
        if (!ok) fail(QStringLiteral("'%1' bir sayı alanı; '%2' sayı değil.").arg(field.name, v.text));
        return node;
    }

    std::unique_ptr<Node> dateClause(int column, const RecordField &field, Op op, const Token &v, QDate date)
    {
        if (op == Op::Like) refuseLike(field);
        if (v.kind == Tok::Number)
            fail(QStringLiteral("'%1' bir tarih alanı; sayıyla karşılaştırılamaz.").arg(field.name));
        if (v.kind == Tok::Text && !parseDate(v.text, u'.', date) && !parseDate(v.text, u'/', date))
            fail(QStringLiteral("'%1' bir tarih alanı; '%2' tarih değil (gg.aa.yyyy).").arg(field.name, v.text));
        auto node = std::make_unique<DateClause>();
        node->column = column;
        node->op = op;
        node->value.day = date.toJulianDay();
        return node;
    }

    std::shared_ptr<const QCollator> turkishCollator()
    {
        if (!m_collator) m_collator = std::make_shared<const QCollator>(QLocale(QLocale::Turkish, QLocale::Turkey));
        return m_collator;
    }

    const QString &m_text;
    const QVector<RecordField> &m_fields;
    Lexer m_lexer;
    Token m_current;
    Tok m_previousKind = Tok::End;
    int m_previousEnd = -1;
    std::shared_ptr<const QCollator> m_collator;
};

} // namespace
} // namespace recordfilter

RecordFilter::RecordFilter() = default;

RecordFilter RecordFilter::compile(const QString &text, const QVector<RecordField> &fields)
{
    RecordFilter f;
    if (text.trimmed().isEmpty()) return f;
    recordfilter::Parser parser(text, fields);
    f.m_root = parser.parse();
    return f;
}

bool RecordFilter::matches(const RecordRow &row) const { return !m_root || m_root->eval(row); }

RecordSet::Predicate RecordFilter::predicate() const
{
    if (!m_root) return [](const RecordRow &) { return true; };
    std::shared_ptr<const recordfilter::Node> root = m_root;
    return [root](const RecordRow &row) { return root->eval(row); };
}

void SetFilterText(RecordSet &set, const QString &text)
{
    const RecordFilter f = RecordFilter::compile(text, set.fields());
    if (f.isEmpty())
        set.clearFilter();
    else
        set.setFilter(f.predicate());
}

QString TurkishFold(QStringView text)
{
    QString out;
    recordfilter::foldInto(text, out);
    return out;
}
