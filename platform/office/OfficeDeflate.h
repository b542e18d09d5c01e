#pragma once
// Parts of a package deflated by the office layer itself before the zip library writes them:
// the library then copies the deflated bytes as they are. Deflating here keeps the memory of a
// save small (zlib's usual memory level, and one part at a time) and the same for every part,
// whatever its size: a generated part goes through a temporary file, never through memory.

#include "OfficePackage.h"

#include <QByteArray>
#include <QString>
#include <zip.h>

// A libzip source of the part's bytes, deflated, with their size and CRC given up front.
// Raises EOfficeError (naming the package `name` and the part) when the part's generator fails
// or the temporary file cannot be written.
zip_source_t *DeflatedSource(zip_t *zip, const QByteArray &bytes, const QString &name,
                             const QString &part);
zip_source_t *DeflatedSource(zip_t *zip, TOfficePackage::TStreamedPart &generated,
                             const QString &name, const QString &part);
