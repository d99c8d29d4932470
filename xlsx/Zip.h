#pragma once

#include <QString>
#include <memory>
#include <zip.h>

// libzip's handles, each held by an owner that releases it when it goes out of scope, so that no
// path, a throwing one included, leaves an archive, a part or a source open.
namespace xlsx::zip {

struct Discard {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct Close {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
struct Free {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};

// An open archive; discarded unless it was closed (written) with close(), which releases it.
using Archive = std::unique_ptr<zip_t, Discard>;
// A part opened for reading.
using File = std::unique_ptr<zip_file_t, Close>;
// Data for a part not yet handed to the archive (zip_file_add takes it over: release() then).
using Source = std::unique_ptr<zip_source_t, Free>;

// libzip's text for an error code of zip_open.
inline QString errorText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

// Writes the archive and frees it; on failure it stays held (and is discarded by its owner).
inline bool close(Archive& a) {
    if (zip_close(a.get()) != 0) return false;
    (void)a.release();
    return true;
}

}  // namespace xlsx::zip
