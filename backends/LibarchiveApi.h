// libarchive, loaded the first time a library needs it. Our own readers
// list ZIP, LHA and plain tar without it, and loading it (with libxml2, ICU
// and the compression libraries it brings) costs more than listing a
// thousand members, so no library loads it with itself.
#pragma once

#include <archive.h>
#include <initializer_list>
#include <locale.h>
#include <archive_entry.h>

namespace backends {

// Every libarchive function the libraries call.
// clang-format off
#define MOKURENA_LIBARCHIVE_FUNCTIONS(X)                                                     \
  X(archive_read_new) X(archive_read_free) X(archive_read_open_filename)                     \
  X(archive_read_next_header) X(archive_read_data) X(archive_read_set_options)               \
  X(archive_filter_count) X(archive_filter_code) X(archive_format_name) X(archive_format)   \
  X(archive_read_support_filter_gzip) X(archive_read_support_filter_bzip2)                   \
  X(archive_read_support_filter_compress) X(archive_read_support_filter_xz)                  \
  X(archive_read_support_filter_lzma) X(archive_read_support_filter_zstd)                    \
  X(archive_read_support_filter_rpm) X(archive_read_support_format_lha)                      \
  X(archive_read_support_format_cab) X(archive_read_support_format_rar)                      \
  X(archive_read_support_format_rar5) X(archive_read_support_format_7zip)                    \
  X(archive_read_support_format_tar) X(archive_read_support_format_gnutar)                   \
  X(archive_read_support_format_cpio) X(archive_read_support_format_ar)                      \
  X(archive_read_support_format_zip) X(archive_read_support_format_raw)                      \
  X(archive_entry_pathname) X(archive_entry_pathname_utf8) X(archive_entry_pathname_w)       \
  X(archive_entry_size) X(archive_entry_size_is_set) X(archive_entry_mtime)                  \
  X(archive_entry_mtime_nsec) X(archive_entry_mtime_is_set) X(archive_entry_atime)           \
  X(archive_entry_atime_nsec) X(archive_entry_atime_is_set) X(archive_entry_birthtime)       \
  X(archive_entry_birthtime_nsec) X(archive_entry_birthtime_is_set) X(archive_entry_mode)    \
  X(archive_entry_filetype) X(archive_entry_is_encrypted) X(archive_read_open_memory)         \
  X(archive_read_data_skip)
// clang-format on

struct LibarchiveApi {
#define MOKURENA_LIBARCHIVE_POINTER(name) decltype(&::name) name = nullptr;
  MOKURENA_LIBARCHIVE_FUNCTIONS(MOKURENA_LIBARCHIVE_POINTER)
#undef MOKURENA_LIBARCHIVE_POINTER
};

// The functions, loaded on the first call; nullptr when libarchive (or one
// of its functions) cannot be had, so that nothing it would list opens.
const LibarchiveApi* Libarchive();

// libarchive converts names to and from "the current locale". Every call runs
// with a UTF-8 locale on the calling thread, whatever the process has set:
// names stored as UTF-8 or UTF-16 (7z, RAR, pax) then come out as UTF-8,
// names stored as legacy bytes come out unchanged or, with a header charset
// given, converted from it.
class Utf8Thread {
 public:
  Utf8Thread() {
    // One locale object while the library is loaded; freed when it unloads.
    static const struct Holder {
      locale_t value = static_cast<locale_t>(0);
      Holder() {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "ja_JP.UTF-8"}) {
          value = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
          if (value) break;
        }
      }
      ~Holder() {
        if (value) freelocale(value);
      }
    } utf8;
    if (utf8.value) previous_ = uselocale(utf8.value);
  }
  ~Utf8Thread() {
    if (previous_) uselocale(previous_);
  }
  Utf8Thread(const Utf8Thread&) = delete;
  Utf8Thread& operator=(const Utf8Thread&) = delete;

 private:
  locale_t previous_ = static_cast<locale_t>(0);
};

}  // namespace backends
