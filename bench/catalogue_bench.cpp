// Loading and saving a large catalogue (20,000 entries in 400 groups) as a private text file
// and as a published file.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/catalogue/Catalogue.h"
#include "core/catalogue/WindowlessHost.h"

using namespace vexilon;

namespace {

constexpr int kGroups = 400;
constexpr int kEntriesPerGroup = 50;

struct TFolder {
  std::string Path;
  TFolder() {
    char pattern[] = "/tmp/catalogue-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    Path = pattern;
  }
  ~TFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
};

void Fill(TCamRoot& root) {
  for (int g = 0; g < kGroups; ++g) {
    auto group = std::make_unique<TCamGroup>(nullptr);
    group->Name = "Site " + std::to_string(g);
    group->Auth = g % 4 == 0 ? "operator:secret" : "";
    group->Headers = g % 10 == 0 ? "Proxy-Connection: Keep-Alive\r\n" : "";
    auto* placed = static_cast<TCamGroup*>(root.AddChild(std::move(group)));
    for (int e = 0; e < kEntriesPerGroup; ++e) {
      auto entry = std::make_unique<TCamItem>(nullptr);
      entry->SetName("Camera " + std::to_string(g) + "-" + std::to_string(e));
      TVideoConnect& video = entry->Video();
      video.Web = "http://cam" + std::to_string(g) + ".example.net:8080/axis-cgi/mjpg/video.cgi";
      video.Flags = e % 3 == 0 ? 1 : 0;
      video.Width = 640;
      video.Height = 480;
      video.Interval = 1000;
      if (e % 5 == 0) {
        entry->Audio().Web = "http://cam" + std::to_string(g) + ".example.net/audio.au";
        entry->Audio().Flags = 2;
      }
      placed->AddChild(std::move(entry));
    }
  }
}

// The two files, written once.
struct TFiles {
  TFolder Folder;
  std::string Text = Folder.Path + "/cams.vxc";
  std::string Published = Folder.Path + "/cams.vxp";
  TFiles() {
    TWindowlessHost host(false);
    TCatalogue catalogue(host, nullptr);
    catalogue.ClearCatalogue(true);
    Fill(*catalogue.FRoot);
    catalogue.Save(Text);
    catalogue.FPublished = true;
    catalogue.Save(Published);
  }
};

const TFiles& Files() {
  static const TFiles files;
  return files;
}

void Load(benchmark::State& state, const std::string& file) {
  TWindowlessHost host(false);
  TCatalogue catalogue(host, nullptr);
  for (auto _ : state) {
    catalogue.LoadMainFile(file);
    if (catalogue.FItemsLoaded != kGroups * kEntriesPerGroup) state.SkipWithError("short load");
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}

void Save(benchmark::State& state, bool published) {
  TWindowlessHost host(false);
  TCatalogue catalogue(host, nullptr);
  catalogue.ClearCatalogue(true);
  Fill(*catalogue.FRoot);
  catalogue.FPublished = published;
  std::string file = Files().Folder.Path + (published ? "/saved.vxp" : "/saved.vxc");
  for (auto _ : state) catalogue.Save(file);
}

void BM_LoadText(benchmark::State& state) {
  Load(state, Files().Text);
}
void BM_LoadPublished(benchmark::State& state) {
  Load(state, Files().Published);
}
void BM_SaveText(benchmark::State& state) {
  Save(state, false);
}
void BM_SavePublished(benchmark::State& state) {
  Save(state, true);
}

}  // namespace

BENCHMARK(BM_LoadText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPublished)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePublished)->Unit(benchmark::kMillisecond);
