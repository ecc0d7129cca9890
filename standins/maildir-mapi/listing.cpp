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
      out.push_back({KeyOf(n.base), folder + fd.cFileName, std::move(n)});
    } while (FindNextFileA(find.get(), &fd));
  }
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
  return out;
}

std::optional<Entry> Locate(const std::string& root, const std::string& id) {
  if (!UsableIdentifier(id) || id.find_first_of("*?:") != std::string::npos) return std::nullopt;
  if (std::string p = root + "\\new\\" + id; bridge::FileExists(p)) return Entry{KeyOf(id), p, {id, {}}};
  WIN32_FIND_DATAA fd;
  if (ui::FindHandle find(FindFirstFileA((root + "\\cur\\" + id + ":2,*").c_str(), &fd)); find) {
    FileName n = SplitFileName(fd.cFileName);
    if (n.base == id) return Entry{KeyOf(id), root + "\\cur\\" + fd.cFileName, std::move(n)};
  }
  if (std::string p = root + "\\cur\\" + id; bridge::FileExists(p)) return Entry{KeyOf(id), p, {id, {}}};
  return std::nullopt;
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
