#pragma once
// An OLE2 compound file (version 3, 512-byte sectors) holding one stream.
#include <QByteArray>
#include <QString>

namespace office {

// The stream is padded with zeros to at least 4096 bytes, so it always lives in regular
// sectors and no mini stream is needed.
QByteArray buildCompoundFile(const QString& streamName, QByteArray stream);

}  // namespace office
