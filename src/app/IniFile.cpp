#include "app/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace app {

namespace {

// Values and keys are written with backslash escapes for the characters that would break
// the line structure; everything else (blanks, backslashes of Windows paths) is kept
// readable by doubling backslashes only.
QString escape(const QString& s, bool isKey) {
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '=':
            if (isKey) out += QLatin1String("\\=");
            else out += c;
            break;
        case '[':
            if (isKey) out += QLatin1String("\\[");
            else out += c;
            break;
        default: out += c;
        }
    }
    // Leading and trailing blanks would be trimmed by the reader: protect them.
    if (!out.isEmpty() && (out.front() == ' ' || out.back() == ' '))
        out = '"' + out + '"';
    return out;
}

QString unescape(QString s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.mid(1, s.size() - 2);
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
        out += '[' + escape(s.name, true).replace(']', QLatin1String("\\]")) + "]\n";
        for (const auto& e : s.entries)
            out += escape(e.key, true) + '=' + escape(e.value, false) + '\n';
        out += '\n';
    }
    return out;
}

IniFile IniFile::load(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return parse(QString::fromUtf8(f.readAll()));
}

bool IniFile::save(const QString& path) const {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.write(serialize().toUtf8());
    return f.commit();
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
