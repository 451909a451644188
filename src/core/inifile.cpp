#include "core/inifile.h"

#include "core/sjis.h"

#include <QFile>
#include <QSaveFile>

namespace zb {
namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A value in matching double or single quotes is read without them.
QString unquote(const QString& v)
{
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\''))
        && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

}  // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) { reload(); }

void IniFile::reload()
{
    preamble_.clear();
    sections_.clear();
    read_ = false;
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly))
        return;
    parse(sjis::decode(f.readAll()));
    read_ = true;
}

void IniFile::parse(const QString& text)
{
    Section* current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString raw = lines[i];
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        if (i == lines.size() - 1 && raw.isEmpty())
            break;  // the final line end
        const QString t = raw.trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            qsizetype close = t.indexOf(QLatin1Char(']'));
            QString name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
            current = find(name);
            if (!current) {
                sections_.append(Section{name, {}});
                current = &sections_.back();
            }
            continue;
        }
        Line line;
        qsizetype eq = t.indexOf(QLatin1Char('='));
        if (eq > 0 && !t.startsWith(QLatin1Char(';'))) {
            line.isPair = true;
            line.key = t.left(eq).trimmed();
            line.value = t.mid(eq + 1).trimmed();
        } else {
            line.value = raw;
        }
        (current ? current->lines : preamble_).append(line);
    }
}

IniFile::Section* IniFile::find(const QString& name)
{
    for (Section& s : sections_)
        if (sameName(s.name, name))
            return &s;
    return nullptr;
}

const IniFile::Section* IniFile::find(const QString& name) const
{
    return const_cast<IniFile*>(this)->find(name);
}

IniFile::Section& IniFile::findOrAdd(const QString& name)
{
    if (Section* s = find(name))
        return *s;
    sections_.append(Section{name, {}});
    return sections_.back();
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    if (const Section* s = find(section))
        for (const Line& l : s->lines)
            if (l.isPair && sameName(l.key, key))
                return unquote(l.value);
    return def;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const
{
    const QString v = readString(section, key, QString()).trimmed();
    if (v.isEmpty())
        return def;
    bool ok = false;
    int n = v.toInt(&ok, 10);
    if (!ok && (v.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) || v.startsWith(QLatin1Char('$'))))
        n = v.mid(v.startsWith(QLatin1Char('$')) ? 1 : 2).toInt(&ok, 16);
    return ok ? n : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::sectionExists(const QString& section) const { return find(section) != nullptr; }

bool IniFile::valueExists(const QString& section, const QString& key) const
{
    if (const Section* s = find(section))
        for (const Line& l : s->lines)
            if (l.isPair && sameName(l.key, key))
                return true;
    return false;
}

QStringList IniFile::readSection(const QString& section) const
{
    QStringList keys;
    if (const Section* s = find(section))
        for (const Line& l : s->lines)
            if (l.isPair)
                keys << l.key;
    return keys;
}

IniFile::Pairs IniFile::readSectionValues(const QString& section) const
{
    Pairs out;
    if (const Section* s = find(section))
        for (const Line& l : s->lines)
            if (l.isPair)
                out.append({l.key, unquote(l.value)});
    return out;
}

QStringList IniFile::sections() const
{
    QStringList out;
    for (const Section& s : sections_)
        out << s.name;
    return out;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    // Line breaks cannot live in one line of the file.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    Section& s = findOrAdd(section);
    for (Line& l : s.lines)
        if (l.isPair && sameName(l.key, key)) {
            l.value = v;
            return;
        }
    // New keys go after the last pair of the section, before trailing blank lines.
    qsizetype at = s.lines.size();
    while (at > 0 && !s.lines[at - 1].isPair && s.lines[at - 1].value.trimmed().isEmpty())
        --at;
    s.lines.insert(at, Line{key, v, true});
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::writeSection(const QString& section, const Pairs& values)
{
    findOrAdd(section).lines.clear();
    for (const auto& [k, v] : values)
        writeString(section, k, v);
}

void IniFile::eraseSection(const QString& section)
{
    for (qsizetype i = 0; i < sections_.size(); ++i)
        if (sameName(sections_[i].name, section)) {
            sections_.removeAt(i);
            return;
        }
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    if (Section* s = find(section))
        for (qsizetype i = 0; i < s->lines.size(); ++i)
            if (s->lines[i].isPair && sameName(s->lines[i].key, key)) {
                s->lines.removeAt(i);
                return;
            }
}

QString IniFile::text() const
{
    QString out;
    auto put = [&out](const Line& l) {
        out += l.isPair ? l.key + QLatin1Char('=') + l.value : l.value;
        out += QLatin1String("\r\n");
    };
    for (const Line& l : preamble_)
        put(l);
    for (const Section& s : sections_) {
        out += QLatin1Char('[') + s.name + QLatin1String("]\r\n");
        for (const Line& l : s.lines)
            put(l);
    }
    return out;
}

IniFile::SaveResult IniFile::save() const
{
    SaveResult r;
    const sjis::Encoded enc = sjis::encode(text());
    // Each character left out is named once, however often it occurs.
    for (qsizetype i = 0; i < enc.unmappable.size(); ++i) {
        const qsizetype n = enc.unmappable[i].isHighSurrogate() && i + 1 < enc.unmappable.size() ? 2 : 1;
        const QStringView c = QStringView(enc.unmappable).mid(i, n);
        if (!r.unmappable.contains(c))
            r.unmappable += c;
        i += n - 1;
    }
    QSaveFile f(path_);
    if (!f.open(QIODevice::WriteOnly)) {
        r.error = f.errorString();
        return r;
    }
    if (f.write(enc.bytes) != enc.bytes.size() || !f.commit()) {
        r.error = f.errorString();
        f.cancelWriting();
        return r;
    }
    r.ok = true;
    return r;
}

}  // namespace zb
