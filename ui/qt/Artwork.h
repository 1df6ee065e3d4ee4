#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The compiled-in artwork by resource id (resource.h). Needs a QGuiApplication; window thread only.

enum class ArtworkKind { Bitmap, Icon };

// Qt resource path of a bitmap (IDB_*) or icon group (IDR_*); no file exists there for unknown ids.
QString ArtworkPath(ArtworkKind kind, int id);
// The bitmap with that id; a null pixmap when there is none.
QPixmap LoadBitmapResource(int id);
// Every image of the icon group with that id; a null icon when there is none.
QIcon LoadIconResource(int id);
