#pragma once
// INI files with the private-profile rules of the platform the files come from:
// section and key names match without regard to case, one key=value per line,
// blanks around names and values ignored, booleans written as 0/1, a missing
// file or key gives the default. The file is read once on construction; changes
// stay in memory until save(), which writes Shift_JIS with CR LF through a
// temporary file renamed over the old one.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace zb {

class IniFile {
public:
    using Pairs = QList<QPair<QString, QString>>;

    struct SaveResult {
        bool ok = false;
        QString error;       // why the file could not be written
        QString unmappable;  // characters Shift_JIS cannot hold, left out of the file (each once, in order)
    };

    explicit IniFile(QString path);

    const QString& path() const { return path_; }
    // True when the file existed and was read.
    bool wasRead() const { return read_; }
    // Re-read the file, dropping unsaved changes.
    void reload();

    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    int readInteger(const QString& section, const QString& key, int def = 0) const;
    bool readBool(const QString& section, const QString& key, bool def = false) const;
    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    // The key names of a section, in file order.
    QStringList readSection(const QString& section) const;
    // The key/value pairs of a section, in file order.
    Pairs readSectionValues(const QString& section) const;
    QStringList sections() const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    // Replace the whole section with these pairs.
    void writeSection(const QString& section, const Pairs& values);
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    SaveResult save() const;
    // Whole-file text as it would be saved (CR LF line ends).
    QString text() const;

private:
    struct Line {
        QString key;    // empty for lines that are not key=value (comments, blanks)
        QString value;  // the value, or the whole raw line for other lines
        bool isPair = false;
    };
    struct Section {
        QString name;
        QList<Line> lines;
    };

    Section* find(const QString& name);
    const Section* find(const QString& name) const;
    Section& findOrAdd(const QString& name);
    void parse(const QString& text);

    QString path_;
    bool read_ = false;
    QList<Line> preamble_;  // lines before the first section
    QList<Section> sections_;
};

}  // namespace zb
