#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/audio/SoundProcessor.h"
#include "core/catalogue/WebConnect.h"
#include "core/net/ChunkedDecoder.h"
#include "core/net/StreamSink.h"

namespace vexilon {

struct TSuffixUse;

// What a Feed asks of the connection.
enum class TParseResult {
  Continue,    // keep reading
  TunnelOpen,  // the proxy answered the CONNECT request: send the camera request now
  Done,        // the answer is complete (a picture at its Content-Length on a connection the
               // server keeps open): close, and ask again after the interval
  Stop,        // the server answered with a failure status: reconnect at once
  Disconnect,  // close and reconnect on the normal schedule (bad stream, or a chunked body
               // that has ended)
};

// Where a parser is in a connection's answer.
enum class TParseState {
  Tunnel = -1,       // waiting for the proxy's answer to CONNECT
  ResponseHead = 0,  // the status line and head (or a tag, or a headless preamble)
  Body = 1,          // a body without parts: one picture, a page, or raw sound
  PartHead = 2,      // the head of the next part of a multipart body
  PartBody = 3,      // a part's bytes, up to its length or the next delimiter
};

// Bounds on what a camera server can make us hold. Servers are untrusted: one that never
// sends its delimiter, announces an absurd or negative length, sends an endless head or just
// floods bytes is disconnected (with a line in the header text saying why) instead of
// growing our memory.
struct TStreamLimits {
  size_t MaxBuffer = size_t(32) << 20;  // unfinished part, body or buffered bytes
  size_t MaxHead = size_t(64) << 10;    // response or part head
};

// Common ground of the video and audio parsers: the receive buffer with its parse state,
// the response and part heads, chunked bodies, and the sound path.
//
// The buffer is consumed from its front by advancing an offset and compacted rarely; while
// nothing is held, input is parsed where it lies and a part of known length is copied once,
// straight into its own block. Parsing is linear in the bytes received.
class TStreamParser {
 public:
  TStreamParser(TStreamSink& sink, int format, TSoundKind soundKind, TStreamLimits limits);
  virtual ~TStreamParser();
  TStreamParser(const TStreamParser&) = delete;
  TStreamParser& operator=(const TStreamParser&) = delete;

  // A connection was made: buffer emptied, parse state ResponseHead, content length -1,
  // stream state reset.
  void Connected();
  // A CONNECT request went to the proxy: wait for its answer (parse state Tunnel).
  void AwaitTunnel();
  // Takes the bytes of one receive.
  TParseResult Feed(const char* data, size_t size);
  // The connection closed: unless paused, what was left unparsed goes to FlushBody (all of
  // it once a response head was taken; else whatever follows a complete head).
  void Disconnected(bool paused);

  // Send format and new processor: the next sound data starts afresh.
  virtual void ResetStreamState();
  virtual void FlushBody(std::string rest) = 0;

  // The connection's suffix record, made to expire on a failure status; may be none.
  void SetSuffixUse(TSuffixUse* use) { FSuffixUse = use; }

  TParseState ParseState() const { return FState; }
  int64_t ContentLength() const { return FContentLength; }
  const std::string& Marker() const { return FMarker; }
  bool Chunked() const { return FChunked; }
  // The status code of this connection's answer once its status line came; 0 before.
  int StatusCode() const { return FStatusCode; }
  // Asked with the head of a 401 answer once it came whole (such an answer asks for Stop only
  // then): true when a new request takes it up at once, so that its page is dropped instead
  // of shown. May be empty.
  void SetRefusalCheck(std::function<bool(std::string_view head)> check) {
    FRefusalCheck = std::move(check);
  }
  // Bytes held: unparsed input plus an unfinished part.
  size_t Held() const { return FBuf.size() - FPos + FPart.size(); }
  // The memory the buffers take, whatever they hold.
  size_t Reserved() const { return FBuf.capacity() + FPart.capacity(); }

 protected:
  // One step of the subclass's state machine on the unconsumed bytes; sets used to the bytes
  // it consumed and answers false to wait for more data.
  virtual bool Step(std::string_view view, size_t& used) = 0;

  void SetState(TParseState state);
  // Checks the status of a response starting at view, once its first character is there.
  void CheckStatus(std::string_view view);
  // Length of the head at view's start; npos to wait (the parser may have died of a head
  // that is too long: check Dead()).
  size_t HeadLength(std::string_view view);
  // Shows a response head, notes a chunked body; answers the multipart marker or "".
  std::string TakeResponseHead(std::string_view head);
  // Sets the content length from a part head; false when it killed the connection.
  bool TakePartHead(std::string_view head);
  // Sets a content length read from a frame header; false when it killed the connection.
  bool SetContentLength(int64_t length);
  // Position of the marker in view; npos to wait.
  size_t FindMarker(std::string_view view);
  // Copies bytes of the current known-length part; true when the part is complete (it is
  // then in FPart).
  bool FillPart(std::string_view view, size_t& used);
  std::string TakePart();
  void SoundPath(const char* data, size_t size);
  void Die(const std::string& reason);
  bool Dead() const { return FDead; }
  // Asks the connection thread for result, unless a weightier one is asked already.
  void Raise(TParseResult result);

  TStreamSink& FSink;
  const TStreamFormat FFormat;
  const TStreamLimits FLimits;
  TParseState FState = TParseState::ResponseHead;
  int64_t FContentLength = -1;
  std::string FMarker;
  size_t FScanned = 0;  // bytes of the current view already searched in vain
  bool FSendFormat = true;
  bool FNewProcessor = true;

 private:
  size_t Parse(const char* data, size_t size);
  void Absorb(const char* data, size_t size);
  void Dechunk(const char* data, size_t size);
  void FeedTunnel(const char* data, size_t size);
  void Compact();
  void CheckHeld();
  // Appends to the receive buffer, never reserving much beyond the limit.
  void Keep(const char* data, size_t size);
  void ClearBuffers();

  std::string FBuf;  // received bytes; those before FPos are consumed
  size_t FPos = 0;
  std::string FPart;  // the known-length part being filled
  bool FDead = false;
  bool FFailedStatus = false;  // this connection's answer had a failure status
  int FStatusCode = 0;
  bool FAwaitRefusal = false;  // a 401 status came; its head is still arriving
  bool FDropRest = false;      // the rest of this answer is dropped unseen
  std::function<bool(std::string_view head)> FRefusalCheck;
  bool FChunked = false;
  bool FSwitchToChunked = false;
  TChunkedDecoder FDecoder;
  TParseResult FResult = TParseResult::Continue;
  TSuffixUse* FSuffixUse = nullptr;
  const TSoundKind FSoundKind;
  std::unique_ptr<TSoundProcessor> FSound;
  bool FSoundFailureShown = false;
  std::vector<uint8_t> FPcm;
};

}  // namespace vexilon
