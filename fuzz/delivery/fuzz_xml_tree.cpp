// Reads arbitrary bytes as an XML file with our own parser and with libxml2,
// with and without the values in the captions.
#include "delivery/xml_tree.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.xml"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    for (bool libxml2 : {false, true})
        for (bool print : {false, true}) {
            zb::TXMLTreeView tree;
            tree.MSXML = libxml2;
            tree.GamenPrint = print;
            tree.LoadFromFile(path, nullptr);
            for (const zb::XmlNode* n : tree.allNodes())
                (void)n->value.size();
        }
    (void)zb::xmlUnescape(QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
