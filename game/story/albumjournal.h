// The journal as the photo album sees it (the shell's TAlbumLogBook): a
// LogBook_t owned by the album window, which gets its button commands.
#pragma once
#include <memory>

class TAlbumLogBook;
class TWindow;

// Null when main.xml gives the journal no style (the album then closes).
std::unique_ptr<TAlbumLogBook> MakeAlbumJournal(TWindow* owner);
