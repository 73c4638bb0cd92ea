#pragma once

namespace vexilon {

// What a camera window asks of the thread that reads its picture, whatever the camera speaks.
class TStreamThread {
 public:
  virtual ~TStreamThread() = default;
  // The thread closes its connection and stays idle until resumed.
  virtual void PauseStream() = 0;
  virtual void ResumeStream() = 0;
  virtual bool IsPaused() const = 0;
  virtual bool IsFinished() const = 0;
  // The camera went quiet and the window should ask for a restart.
  virtual bool IsStalled() const = 0;
  // Ends the connection; the next one follows soon.
  virtual void RequestRestart() = 0;
  // Ends the thread and returns within a second, whatever it is doing; answers whether it
  // ended. One that did not is left to end on its own and calls its sink no more.
  virtual bool Stop() = 0;
};

}  // namespace vexilon
