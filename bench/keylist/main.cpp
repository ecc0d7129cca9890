// Times parsing a 10,000-key listing and filling the recipients dialog's key
// list with it in a real window, and prints the figures; then the memory the
// 10,000 keys add: the peak working set with them read into a key list and
// listed in the dialog, less the same with a few keys first, against the
// bytes of their texts and key IDs.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "keys/Encrypt.h"
#include "keys/keylisting.h"
#include "ui/window.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

std::string Listing(int keys) {
  std::string text = "\r\nKey ring: 'C:\\PGP\\pubring.pgp'\r\nType Bits/KeyID    Date       User ID\r\n";
  char line[160];
  for (int i = 0; i < keys; ++i) {
    std::snprintf(line, sizeof line,
                  "pub  1024/%08X 1996/03/04 User %d Example <user%d@example.org>\r\n"
                  "                              User %d at work <user%d@work.example>\r\n",
                  0x10000000 + i, i, i, i, i);
    text += line;
  }
  text += std::to_string(keys) + " matching keys found.\r\n";
  return text;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

double PeakMegabytes() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PeakWorkingSetSize / (1024.0 * 1024.0);
}

// Fills the recipients dialog's key list as the program does.
void ListKeys(TEncryptFrm& dialog, const std::vector<keys::KeyEntry>& list) {
  dialog.ListBox1.assign(list.size(), [&list](size_t i) -> const std::string& { return list[i].text; });
  UpdateWindow(dialog.ListBox1.handle());
}

// The peak working set after the program's way with a listing of `keys`
// keys: read into the key list, which stays, and offered in the recipients
// dialog.
double PeakWithKeysListed(int keys, std::vector<keys::KeyEntry>& list) {
  list = keys::ReadKeyListing(Listing(keys));
  TEncryptFrm dialog;
  dialog.show();
  ListKeys(dialog, list);
  Pump();
  return PeakMegabytes();
}

}  // namespace

int main() {
  ui::Application application("Sealwright 32", "sealwr32.hlp");
  constexpr int kKeys = 10000;
  // First, while the peak is still the few keys' one.
  std::vector<keys::KeyEntry> few, many;
  const double fewPeak = PeakWithKeysListed(3, few);
  const double manyPeak = PeakWithKeysListed(kKeys, many);
  size_t textBytes = 0;
  for (const auto& key : many) textBytes += key.text.size() + key.keyId.size();
  many.clear();
  constexpr int kRounds = 5;
  const std::string listing = Listing(kKeys);
  std::vector<double> parse, fill, total;
  for (int round = 0; round < kRounds; ++round) {
    TEncryptFrm dialog;
    dialog.show();
    Pump();
    const auto t0 = Clock::now();
    const std::vector<keys::KeyEntry> keys = keys::ReadKeyListing(listing);
    const auto t1 = Clock::now();
    ListKeys(dialog, keys);
    const auto t2 = Clock::now();
    if (dialog.ListBox1.count() != kKeys) {
      std::printf("list holds %d entries, expected %d\n", dialog.ListBox1.count(), kKeys);
      return 1;
    }
    parse.push_back(Ms(t0, t1));
    fill.push_back(Ms(t1, t2));
    total.push_back(Ms(t0, t2));
    Pump();
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::printf("keys: %d, listing: %zu bytes, rounds: %d\n", kKeys, listing.size(), kRounds);
  std::printf("parse:            median %7.2f ms, worst %7.2f ms\n", median(parse),
              *std::max_element(parse.begin(), parse.end()));
  std::printf("fill and paint:   median %7.2f ms, worst %7.2f ms\n", median(fill),
              *std::max_element(fill.begin(), fill.end()));
  std::printf("together:         median %7.2f ms, worst %7.2f ms (target under 150 ms)\n", median(total),
              *std::max_element(total.begin(), total.end()));
  std::printf(
      "peak working set: %.1f MB with 3 keys listed, %.1f MB with %d: they add %.1f MB (goal under 4 MB);\n"
      "  their texts and key IDs are %.1f MB: %.1f times that\n",
      fewPeak, manyPeak, kKeys, manyPeak - fewPeak, textBytes / (1024.0 * 1024.0),
      (manyPeak - fewPeak) / (textBytes / (1024.0 * 1024.0)));
  return median(total) < 150.0 ? 0 : 2;
}
