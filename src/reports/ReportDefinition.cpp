#include "reports/ReportDefinition.h"

#include "records/ReportStatements.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace reports {

namespace {

// Definitions are small; anything larger is not one.
constexpr qint64 kMaxDefinitionSize = 64 * 1024;

const QRegularExpression& placeholder() {
    static const QRegularExpression p(QStringLiteral(R"(\{([^{}]*)\})"));
    return p;
}

bool isName(const QString& s) {
    static const QRegularExpression p(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return p.match(s).hasMatch();
}

class Parser {
public:
    Parser(QString source, ReportDefinition& d) : source_(std::move(source)), d_(d) {}

    void line(int number, const QString& raw) {
        number_ = number;
        const QString text = raw.trimmed();
        if (text.isEmpty() || text.startsWith('#')) return;
        const qsizetype colon = text.indexOf(':');
        if (colon <= 0) fail("expected \"key: value\"");
        const QString key = text.left(colon).trimmed().toLower();
        const QString value = text.mid(colon + 1).trimmed();
        if (key == "title") title(value);
        else if (key == "parameter") parameter(value);
        else if (key == "procedure") procedure(value);
        else if (key == "subtitle") d_.subtitles << subtitle(value);
        else if (key == "column") column(value);
        else if (key == "total") total(value);
        else fail("unknown key \"" + text.left(colon).trimmed() + "\"");
    }

    void finish() {
        number_ = 0;
        if (d_.title.isEmpty()) fail("no title");
        if (d_.procedure.isEmpty()) fail("no procedure");
        if (d_.columns.empty()) fail("no column");
    }

    [[noreturn]] void fail(const QString& why) const {
        throw ReportError(QString("The report definition %1 is not valid%2: %3.")
                              .arg(source_, number_ > 0 ? QString(", line %1").arg(number_)
                                                        : QString(),
                                   why));
    }

private:
    void title(const QString& v) {
        if (!d_.title.isEmpty()) fail("a second title");
        if (v.isEmpty()) fail("an empty title");
        d_.title = v;
    }

    void parameter(const QString& v) {
        const QStringList parts = v.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
        if (parts.size() != 2) fail("a parameter is a name and a type");
        if (!isName(parts[0])) fail("\"" + parts[0] + "\" is not a parameter name");
        if (d_.parameterIndex(parts[0]) >= 0) fail("parameter " + parts[0] + " is declared twice");
        ReportDefinition::Parameter p{parts[0], ReportDefinition::Type::Text};
        const QString type = parts[1].toLower();
        if (type == "date") p.type = ReportDefinition::Type::Date;
        else if (type == "number") p.type = ReportDefinition::Type::Number;
        else if (type != "text") fail("unknown parameter type \"" + parts[1] + "\"");
        d_.parameters.push_back(p);
    }

    void procedure(const QString& v) {
        if (!d_.procedure.isEmpty()) fail("a second procedure");
        const QStringList parts = v.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
        if (parts.isEmpty() || !records::isProcedureName(parts[0]))
            fail("\"" + v + "\" does not start with a procedure name");
        for (const QString& a : parts.mid(1))
            if (d_.parameterIndex(a) < 0) fail("the procedure's argument " + a + " is not a parameter");
        d_.procedure = parts[0];
        d_.procedureArguments = parts.mid(1);
    }

    QString subtitle(const QString& v) {
        auto it = placeholder().globalMatch(v);
        while (it.hasNext()) {
            const QString name = it.next().captured(1);
            if (d_.parameterIndex(name) < 0) fail("{" + name + "} is not a parameter");
        }
        return v;
    }

    // "field | heading | width in twips | left, right or center"; the last two may be left out.
    void column(const QString& v) {
        const QStringList parts = fields(v);
        if (parts.size() < 2 || parts.size() > 4) fail("a column is field | heading | width | alignment");
        if (!isName(parts[0])) fail("\"" + parts[0] + "\" is not a field name");
        ReportDefinition::Column c;
        c.field = parts[0];
        c.heading = parts[1];
        if (parts.size() > 2) {
            bool ok = false;
            c.widthTwips = parts[2].toInt(&ok);
            if (!ok || c.widthTwips <= 0 || c.widthTwips > 20000)
                fail("the width \"" + parts[2] + "\" is not a number of twips from 1 to 20000");
        }
        if (parts.size() > 3) {
            const QString a = parts[3].toLower();
            if (a == "right") c.alignment = Qt::AlignRight;
            else if (a == "center") c.alignment = Qt::AlignHCenter;
            else if (a != "left") fail("unknown alignment \"" + parts[3] + "\"");
        }
        d_.columns.push_back(c);
    }

    void total(const QString& v) {
        const QStringList parts = fields(v);
        if (parts.size() != 2) fail("a total is field | label");
        const bool known = std::any_of(d_.columns.begin(), d_.columns.end(),
                                       [&](const auto& c) { return c.field == parts[0]; });
        if (!known) fail("the total's field " + parts[0] + " is not a column");
        d_.totals.push_back({parts[0], parts[1]});
    }

    static QStringList fields(const QString& v) {
        QStringList parts = v.split('|');
        for (QString& p : parts) p = p.trimmed();
        return parts;
    }

    QString source_;
    ReportDefinition& d_;
    int number_ = 0;
};

QString dateText(const QVariant& v) {
    QDate d;
    if (v.typeId() == QMetaType::QDate) d = v.toDate();
    else if (v.typeId() == QMetaType::QDateTime) d = v.toDateTime().date();
    else d = QDate::fromString(v.toString().trimmed(), "MM/dd/yyyy");
    return d.isValid() ? d.toString("MM/dd/yyyy") : QString();
}

} // namespace

int ReportDefinition::parameterIndex(const QString& name) const {
    for (size_t i = 0; i < parameters.size(); ++i)
        if (parameters[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

ReportDefinition ReportDefinition::load(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw ReportError(QString("The report definition %1 cannot be read: %2.")
                              .arg(path, QFileInfo::exists(path) && !QFileInfo(path).isFile()
                                             ? QString("it is not a file")
                                             : file.errorString()));
    if (file.size() > kMaxDefinitionSize)
        throw ReportError(QString("The report definition %1 is not valid: it is larger than %2 KB.")
                              .arg(path)
                              .arg(kMaxDefinitionSize / 1024));
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        throw ReportError(QString("The report definition %1 is not valid: it is not UTF-8 text.").arg(path));
    return parse(text, path);
}

ReportDefinition ReportDefinition::parse(const QString& text, const QString& source) {
    ReportDefinition d;
    Parser p(source, d);
    const QStringList lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) p.line(int(i) + 1, lines[i]);
    p.finish();
    return d;
}

QStringList parameterTexts(const ReportDefinition& d, const QVariantList& values) {
    if (values.size() != qsizetype(d.parameters.size()))
        throw ReportError(QString("The report \"%1\" takes %2 parameters; %3 were given.")
                              .arg(d.title)
                              .arg(d.parameters.size())
                              .arg(values.size()));
    QStringList out;
    for (size_t i = 0; i < d.parameters.size(); ++i) {
        const auto& p = d.parameters[i];
        const QVariant& v = values[qsizetype(i)];
        QString t;
        if (p.type == ReportDefinition::Type::Date) {
            t = dateText(v);
            if (t.isEmpty())
                throw ReportError(QString("The report parameter %1 is not a date.").arg(p.name));
        } else if (p.type == ReportDefinition::Type::Number) {
            bool ok = false;
            v.toString().trimmed().toDouble(&ok);
            if (!ok) throw ReportError(QString("The report parameter %1 is not a number.").arg(p.name));
            t = v.toString().trimmed();
        } else {
            t = v.toString();
        }
        out << t;
    }
    return out;
}

QString expandSubtitle(const ReportDefinition& d, const QString& line, const QStringList& texts) {
    QString out;
    qsizetype from = 0;
    auto it = placeholder().globalMatch(line);
    while (it.hasNext()) {
        const auto m = it.next();
        out += line.mid(from, m.capturedStart() - from);
        out += texts.value(d.parameterIndex(m.captured(1)));
        from = m.capturedEnd();
    }
    return out + line.mid(from);
}

} // namespace reports
