#include "app/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

namespace app {

namespace {

enum class Part { Section, Key, Value };

// Backslash escapes for what would break the line structure or be taken for a quote;
// everything else (blanks inside, backslashes of Windows paths doubled) stays readable.
QString escape(const QString& s, Part part) {
    QString out;
    out.reserve(s.size() + 2);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); continue;
        case '\n': out += QLatin1String("\\n"); continue;
        case '\r': out += QLatin1String("\\r"); continue;
        case '\t': out += QLatin1String("\\t"); continue;
        case '"': out += QLatin1String("\\\""); continue;
        default: break;
        }
        const bool special =
            (part == Part::Key && (c == '=' || (i == 0 && (c == '[' || c == ';' || c == '#')))) ||
            (part == Part::Section && c == ']');
        if (special) out += '\\';
        out += c;
    }
    // The reader trims blanks around names and values: a text that begins or ends with one
    // goes between quotes.
    if (!out.isEmpty() && (out.front().isSpace() || out.back().isSpace()))
        out = '"' + out + '"';
    return out;
}

// Whether the character at `i` is escaped (preceded by an odd number of backslashes).
bool escapedAt(const QString& s, qsizetype i) {
    qsizetype n = 0;
    while (i - n - 1 >= 0 && s[i - n - 1] == '\\') ++n;
    return n % 2 == 1;
}

QString unescape(QString s) {
    // Quotes protect blanks at either end. A quoted text without such a blank is a value
    // that itself begins and ends with quotes (files of earlier versions wrote quotes in
    // values as they were).
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"' && !escapedAt(s, s.size() - 1)) {
        const QString inner = s.mid(1, s.size() - 2);
        if (!inner.isEmpty() && (inner.front().isSpace() || inner.back().isSpace())) s = inner;
    }
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            QChar n = s[++i];
            switch (n.unicode()) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            default: out += n;
            }
        } else {
            out += c;
        }
    }
    return out;
}

// Position of the first '=' not preceded by an escaping backslash.
qsizetype separator(const QString& line) {
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\') {
            ++i;
            continue;
        }
        if (line[i] == '=') return i;
    }
    return -1;
}

QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);
    return text;
}

} // namespace

IniFile IniFile::parse(const QString& text) {
    IniFile ini;
    Section* current = nullptr;
    const QStringList lines = text.split('\n');
    for (QString line : lines) {
        if (line.endsWith('\r')) line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#')) continue;
        if (trimmed.startsWith('[') && trimmed.endsWith(']')) {
            const QString name = unescape(trimmed.mid(1, trimmed.size() - 2));
            current = ini.findSection(name);
            if (!current) {
                ini.sections_.push_back({name, {}});
                current = &ini.sections_.back();
            }
            continue;
        }
        if (!current) continue;
        const qsizetype eq = separator(trimmed);
        if (eq <= 0) continue;
        const QString key = unescape(trimmed.left(eq).trimmed());
        const QString value = unescape(trimmed.mid(eq + 1).trimmed());
        ini.setValue(current->name, key, value);
        current = ini.findSection(current->name);
    }
    return ini;
}

QString IniFile::serialize() const {
    QString out;
    for (const auto& s : sections_) {
        out += '[' + escape(s.name, Part::Section) + "]\n";
        for (const auto& e : s.entries)
            out += escape(e.key, Part::Key) + '=' + escape(e.value, Part::Value) + '\n';
        out += '\n';
    }
    return out;
}

IniFile IniFile::load(const QString& path) {
    return read(path).value_or(IniFile());
}

std::optional<IniFile> IniFile::read(const QString& path, QString* error) {
    QFile f(path);
    if (!f.exists()) return IniFile();
    const auto failed = [&](const QString& why) -> std::optional<IniFile> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (!f.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return failed(QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString()));
    return parse(decodeText(bytes));
}

bool IniFile::save(const QString& path, QString* error) const {
    QSaveFile f(path);
    const auto failed = [&] {
        if (error) *error = QStringLiteral("%1 cannot be written: %2").arg(path, f.errorString());
        f.cancelWriting();
        return false;
    };
    if (!f.open(QIODevice::WriteOnly)) return failed();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray bytes = serialize().toUtf8();
    if (f.write(bytes) != bytes.size()) return failed();
    if (!f.commit()) {
        if (error) *error = QStringLiteral("%1 cannot be written: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

IniFile::Section* IniFile::findSection(const QString& name) {
    for (auto& s : sections_)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    return const_cast<IniFile*>(this)->findSection(name);
}

bool IniFile::contains(const QString& section, const QString& key) const {
    if (const Section* s = findSection(section))
        for (const auto& e : s->entries)
            if (e.key.compare(key, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString IniFile::value(const QString& section, const QString& key, const QString& def) const {
    if (const Section* s = findSection(section))
        for (const auto& e : s->entries)
            if (e.key.compare(key, Qt::CaseInsensitive) == 0) return e.value;
    return def;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    Section* s = findSection(section);
    if (!s) {
        sections_.push_back({section, {}});
        s = &sections_.back();
    }
    for (auto& e : s->entries) {
        if (e.key.compare(key, Qt::CaseInsensitive) == 0) {
            e.value = value;
            return;
        }
    }
    s->entries.push_back({key, value});
}

QStringList IniFile::keys(const QString& section) const {
    QStringList out;
    if (const Section* s = findSection(section))
        for (const auto& e : s->entries) out << e.key;
    return out;
}

} // namespace app
