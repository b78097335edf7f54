#include "platform/program_identity.h"

#include <algorithm>
#include <cstring>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
// The GNU build ID note of the program itself (the first object dl_iterate_phdr names).
int findBuildId(dl_phdr_info* info, size_t, void* data) {
  auto& out = *static_cast<QByteArray*>(data);
  for (ElfW(Half) k = 0; k < info->dlpi_phnum && out.isEmpty(); ++k) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[k];
    if (segment.p_type != PT_NOTE) continue;
    const char* at = reinterpret_cast<const char*>(info->dlpi_addr + segment.p_vaddr);
    const char* const end = at + segment.p_memsz;
    const auto align = [](size_t n) { return (n + 3) & ~size_t{3}; };
    while (at + sizeof(ElfW(Nhdr)) <= end) {
      ElfW(Nhdr) note;
      std::memcpy(&note, at, sizeof note);
      const char* name = at + sizeof note;
      const char* desc = name + align(note.n_namesz);
      if (desc + note.n_descsz > end) break;
      if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && std::memcmp(name, "GNU", 4) == 0) {
        out = QByteArray(desc, static_cast<qsizetype>(note.n_descsz)).toHex();
        break;
      }
      at = desc + align(note.n_descsz);
    }
  }
  return 1;  // the program alone
}
}  // namespace

QByteArray programBuild() {
  QByteArray id;
  dl_iterate_phdr(findBuildId, &id);
  if (!id.isEmpty()) return id;
  // Built without an ID: the program file's own identity stands in.
  struct stat st;
  if (::stat("/proc/self/exe", &st) != 0) return QByteArrayLiteral("unknown");
  return QByteArray::number(static_cast<qulonglong>(st.st_ino)) + '.' + QByteArray::number(st.st_size) + '.' +
         QByteArray::number(static_cast<qlonglong>(st.st_mtim.tv_sec)) + '.' +
         QByteArray::number(static_cast<qlonglong>(st.st_mtim.tv_nsec));
}

QByteArray readerCredentials() {
  std::vector<gid_t> groups(static_cast<size_t>(std::max(0, ::getgroups(0, nullptr))));
  groups.resize(static_cast<size_t>(std::max(0, ::getgroups(static_cast<int>(groups.size()), groups.data()))));
  std::sort(groups.begin(), groups.end());
  QByteArray out = QByteArray::number(::geteuid()) + ':' + QByteArray::number(::getegid());
  for (const gid_t g : groups) out += ',' + QByteArray::number(g);
  return out;
}
