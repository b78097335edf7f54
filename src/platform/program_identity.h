#pragma once
// What the cache of this program's reads is keyed on besides the program's version.
#include <QByteArray>

// The running build: a reader changed under the same version must never take records an older
// one wrote.
QByteArray programBuild();
// The credentials files are read with (user, group and groups): a record serves only a reader who
// could read the file now, and one written under other credentials tells nothing of that.
QByteArray readerCredentials();
