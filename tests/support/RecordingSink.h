#pragma once
#include <string>
#include <vector>

#include "core/net/StreamSink.h"

namespace vexilon {

// A stream sink that keeps everything it is given, for tests to compare.
class TRecordingSink : public TStreamSink {
 public:
  void Frame(std::string bytes) override { Frames.push_back(std::move(bytes)); }
  void SetPageText(const std::string& text) override { PageText = text; }
  void AddPageLine(const std::string& line) override {
    PageText += "\r\n" + line;
    Lines.push_back(line);
  }
  void ShowPageText(const std::string& text) override {
    PageText = text;
    Shown.push_back(text);
  }
  void WaveFormat(const TWaveFormat& format) override {
    Formats.push_back(format);
    Events += 'F';
  }
  void PlayAudio(const uint8_t* data, size_t size) override {
    Audio.append(reinterpret_cast<const char*>(data), size);
    Blocks.push_back(size);
    Events += 'A';
  }
  void Connecting() override { Indicators += 'c'; }
  void Connected() override { Indicators += 'C'; }
  void Disconnected() override { Indicators += 'D'; }
  void State(const std::string& reason, std::chrono::steady_clock::time_point) override {
    States.push_back(reason);
  }

  std::vector<std::string> Frames;
  std::string PageText;
  std::vector<std::string> Lines;
  std::vector<std::string> Shown;
  std::vector<TWaveFormat> Formats;
  std::string Audio;
  std::vector<size_t> Blocks;
  std::string Events;      // F for a format, A for a block, in order
  std::string Indicators;  // c connecting, C connected, D disconnected
  std::vector<std::string> States;
};

}  // namespace vexilon
