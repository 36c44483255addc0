#pragma once
// Report definitions: small text files of our own that say what a report shows (the format is
// described in docs/reports.md). A definition names its title, the parameters it is given,
// the procedure that yields its rows, the lines under the title, its columns and its totals.
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <stdexcept>
#include <vector>

namespace reports {

// A report that cannot be read, made or run; what() is the description shown to the user.
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& description)
        : std::runtime_error(description.toStdString()) {}
};

struct ReportDefinition {
    enum class Type { Date, Text, Number };
    struct Parameter {
        QString name;
        Type type = Type::Text;
    };
    struct Column {
        QString field;   // the result column it shows
        QString heading;
        int widthTwips = 1440;
        Qt::Alignment alignment = Qt::AlignLeft;
    };
    struct Total {
        QString field; // a column whose values are added up
        QString label;
    };

    QString title;
    std::vector<Parameter> parameters;
    QString procedure;
    QStringList procedureArguments; // parameter names, in the order the procedure takes them
    QStringList subtitles;          // with {Name} standing for a parameter's value
    std::vector<Column> columns;
    std::vector<Total> totals;

    // Reads and checks a definition file. Raises ReportError for a file that is missing or
    // unreadable, or that does not follow the format (the line is named).
    static ReportDefinition load(const QString& path);
    // The same for a definition's text; `source` names it in error descriptions.
    static ReportDefinition parse(const QString& text, const QString& source);

    int parameterIndex(const QString& name) const; // -1 when not declared
};

// The parameter values a report is given, checked against the definition and turned into the
// texts they are shown and sent as (dates "mm/dd/yyyy"). Raises ReportError.
QStringList parameterTexts(const ReportDefinition& definition, const QVariantList& values);

// A subtitle with each {Name} replaced by that parameter's text.
QString expandSubtitle(const ReportDefinition& definition, const QString& line,
                       const QStringList& parameterTexts);

} // namespace reports
