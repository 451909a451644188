#include "delivery_fixtures.h"

#include "core/scripted_ports.h"
#include "delivery/xml_encoding.h"
#include "imaging/jpeg_codec.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdarg>
#include <cstdio>
#include <libxml/parser.h>
#include <libxml/valid.h>

namespace zbtest {

using namespace zb;

JobFixture::JobFixture()
{
    folders = resolveFolders(dir.path(), NetworkSettings{}, SharedDecision{});
    ScriptedMessages m;
    createFolders(folders, m);
    tablePath = folders.dataFile + QStringLiteral("JOB.DB");
    engine::Table::create(tablePath, photoTableFields(), QStringLiteral("RECORD"));
    table.open(tablePath, true);
    fields.lookUp(table);
    header = newJobHeader({}, {}, {});
    tree = defaultHierarchy();
}

void JobFixture::finish()
{
    writeTreeFile(folders.dataFile + QStringLiteral("JOB.ZBD"), TreeFile{header, tree});
    table.close();
}

QString JobFixture::folder(const QString& name) const
{
    const QString p = root() + name;
    QDir().mkpath(p);
    return p;
}

void JobFixture::add(const TestPhoto& s)
{
    table.append();
    table.setValue(fields[F_RECORD], s.record);
    table.setValue(fields[F_FLAG], s.flag);
    table.setValue(fields[F_FILMNUM], s.filmNumber);
    table.setValue(fields[F_GRA_FLAG], s.kind);
    for (auto it = s.text.begin(); it != s.text.end(); ++it)
        table.setValue(fields[it.key()], it.value());
    table.setValue(fields[F_REC_DRA1], s.drawings[0]);
    table.setValue(fields[F_REC_DRA2], s.drawings[1]);
    table.setValue(fields[F_REC_DRA3], s.drawings[2]);
    if (!s.fileName.isEmpty())
        table.setValue(fields[F_FILENAME], s.fileName);
    if (!s.external) {
        table.writeBlob(fields[F_IMAGE_ORG], s.picture.isEmpty() ? smallJpeg(32, 24, 0x100000u * (s.record % 200)) : s.picture);
        if (!s.edited.isEmpty())
            table.writeBlob(fields[F_IMAGE_NOW], s.edited);
    }
    table.post();
}

ExportJob JobFixture::exportJob()
{
    ExportJob j;
    j.header = &header;
    j.folders = &tree;
    j.table = &table;
    j.fields = fields;
    j.sysFile = folders.sysFile;
    j.programFilesDir = folders.programFilesDir;
    return j;
}

QByteArray smallJpeg(int w, int h, unsigned colour)
{
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(QColor::fromRgb(colour | 0xff000000u));
    QByteArray out;
    ScriptedMessages m;
    EncodeJpeg(img, out, false, 90, m);
    return out;
}

namespace {
void collectError(void* ctx, const char* msg, ...)
{
    va_list ap;
    va_start(ap, msg);
    char buf[1024];
    vsnprintf(buf, sizeof buf, msg, ap);
    va_end(ap);
    *static_cast<QString*>(ctx) += QString::fromUtf8(buf);
}
}  // namespace

QString validateAgainstDtd(const QString& xmlPath)
{
    registerShiftJisForLibxml2();
    QString errors;
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    ctxt->vctxt.userData = &errors;
    ctxt->vctxt.error = collectError;
    const QByteArray path = QFile::encodeName(xmlPath);
    xmlDocPtr doc = xmlCtxtReadFile(ctxt, path.constData(), nullptr,
                                    XML_PARSE_DTDLOAD | XML_PARSE_DTDVALID | XML_PARSE_NONET | XML_PARSE_NOERROR);
    if (!doc)
        errors += QStringLiteral("not well-formed");
    else if (!ctxt->valid)
        errors += QStringLiteral(" (invalid)");
    if (doc)
        xmlFreeDoc(doc);
    xmlFreeParserCtxt(ctxt);
    return errors;
}

}  // namespace zbtest
