// The sound card behind the wave output, on Qt Multimedia. The output calls the device from
// reader threads, but a QAudioSink belongs to the user-interface thread: the sink is created
// and closed there by queued calls, and the two sides meet only in the block queue.
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>
#include <atomic>
#include <cstring>

#include "ui/camera/WaveDevices.h"

namespace vexilon {
namespace {

// Feeds the sink from the queue; while paused or short of sound it plays silence, so the
// sink never runs dry and never has to be woken.
class TQueueReader : public QIODevice {
 public:
  TQueueReader(TBlockQueue& queue, char silence) : FQueue(queue), FSilence(silence) {
    open(QIODevice::ReadOnly);
  }
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return 65536 + QIODevice::bytesAvailable(); }

 protected:
  qint64 readData(char* data, qint64 size) override {
    const size_t taken = FQueue.Paused() ? 0 : FQueue.Pull(data, size_t(size));
    std::memset(data + taken, FSilence, size_t(size) - taken);
    return size;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  TBlockQueue& FQueue;
  const char FSilence;
};

class TQtWaveDevice : public TWaveDevice {
 public:
  bool Open(const TWaveFormat& format, TBlockDone done) override {
    if (QCoreApplication::instance() == nullptr) return false;
    // Without a sound device there is nothing to play into: the sound is dropped, and the
    // window says so rather than looking as if it played.
    if (QMediaDevices::defaultAudioOutput().isNull()) return false;
    FQueue.SetDone(std::move(done));
    FQueue.SetPaused(true);
    QAudioFormat qformat;
    qformat.setSampleRate(int(format.SamplesPerSec));
    qformat.setChannelCount(format.Channels);
    qformat.setSampleFormat(format.BitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    const char silence = format.BitsPerSample == 8 ? char(0x80) : char(0);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, qformat, silence] {
          CloseSink();
          FReader = new TQueueReader(FQueue, silence);
          FSink = new QAudioSink(QMediaDevices::defaultAudioOutput(), qformat);
          FSink->setVolume(FVolume.load());
          FSink->start(FReader);
        },
        Qt::QueuedConnection);
    return true;
  }
  bool Write(std::vector<uint8_t> block) override {
    FQueue.Push(std::move(block));
    return true;
  }
  void Pause() override { FQueue.SetPaused(true); }
  void Restart() override { FQueue.SetPaused(false); }
  void Reset() override { FQueue.Clear(); }
  void SetVolume(double volume) override {
    FVolume = volume;
    if (QCoreApplication::instance() == nullptr) return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this] {
          if (FSink != nullptr) FSink->setVolume(FVolume.load());
        },
        Qt::QueuedConnection);
  }
  void Close() override {
    FQueue.Clear();
    if (QCoreApplication::instance() == nullptr) return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this] { CloseSink(); }, Qt::QueuedConnection);
  }

 private:
  // On the user-interface thread only.
  void CloseSink() {
    if (FSink != nullptr) FSink->stop();
    delete FSink;
    delete FReader;
    FSink = nullptr;
    FReader = nullptr;
  }

  TBlockQueue FQueue;
  std::atomic<double> FVolume{1.0};
  QAudioSink* FSink = nullptr;
  TQueueReader* FReader = nullptr;
};

}  // namespace

std::unique_ptr<TWaveDevice> CreateQtWaveDevice() {
  return std::make_unique<TQtWaveDevice>();
}

}  // namespace vexilon
