#include "standins/maildir-mapi/listing.h"

#include <windows.h>

#include <algorithm>

#include "standins/bridge/files.h"
#include "ui/handles.h"

namespace maildir {

bool IsMaildir(const std::string& root) {
  return bridge::DirectoryExists(root + "\\cur") && bridge::DirectoryExists(root + "\\new") &&
         bridge::DirectoryExists(root + "\\tmp");
}

std::vector<Entry> ListMessages(const std::string& root, bool unreadOnly) {
  std::vector<Entry> out;
  for (const char* sub : {"new", "cur"}) {
    const std::string folder = root + "\\" + sub + "\\";
    WIN32_FIND_DATAA fd;
    ui::FindHandle find(FindFirstFileA((folder + "*").c_str(), &fd));
    if (!find) continue;
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      FileName n = SplitFileName(fd.cFileName);
      if (!UsableIdentifier(n.base) || HasFlag(n.flags, 'T') || (unreadOnly && HasFlag(n.flags, 'S'))) continue;
      const uint64_t size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
      out.push_back({KeyOf(n.base), folder + fd.cFileName, std::move(n), std::string(sub) + "\\" + fd.cFileName, size});
    } while (FindNextFileA(find.get(), &fd));
  }
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
  return out;
}

std::string ReceivedDate(const DeliveryKey& key) {
  if (key.seconds == UINT64_MAX) return {};
  ULARGE_INTEGER t;
  t.QuadPart = (key.seconds + 11644473600ULL) * 10000000ULL;
  FILETIME utc{t.LowPart, t.HighPart}, local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  char buf[32];
  wsprintfA(buf, "%04u/%02u/%02u %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
  return buf;
}

}  // namespace maildir
