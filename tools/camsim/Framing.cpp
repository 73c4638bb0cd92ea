#include "Framing.h"

namespace vexilon::camsim {
namespace {

const char* const kOkLine = "HTTP/1.0 200 OK\r\nServer: camsim\r\nCache-Control: no-cache\r\n";

std::string BigEndian(std::uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string LittleEndian(std::uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

class TPushFraming : public TFraming {
 public:
  TPushFraming(std::string boundary, std::string partType, bool withLength)
      : FBoundary(std::move(boundary)), FPartType(std::move(partType)), FWithLength(withLength) {}

  std::string Head() const override {
    return kOkLine + ("Content-Type: multipart/x-mixed-replace; boundary=" + FBoundary) +
           "\r\n\r\n";
  }
  std::string Part(std::string_view payload, std::uint32_t, std::uint32_t) const override {
    std::string part = PartHead(FWithLength ? std::to_string(payload.size()) : "");
    part += payload;
    part += "\r\n";
    return part;
  }
  std::string OpenEndless() const override { return PartHead(""); }
  std::string OpenHuge() const override { return PartHead(std::to_string(kHugeLength)); }

 private:
  std::string PartHead(const std::string& length) const {
    std::string head = "--" + FBoundary + "\r\nContent-Type: " + FPartType + "\r\n";
    if (!length.empty()) head += "Content-Length: " + length + "\r\n";
    return head + "\r\n";
  }

  std::string FBoundary, FPartType;
  bool FWithLength;
};

class TTaggedFraming : public TFraming {
 public:
  std::string Head() const override { return {}; }
  std::string Part(std::string_view payload, std::uint32_t, std::uint32_t) const override {
    return "<Simg>" + std::string(payload) + "<END>";
  }
  std::string SoundPart(std::string_view pcm) const override {
    return "<Ssnd>" + std::string(pcm) + "<END>";
  }
  // Without lengths a huge part is just one that never ends.
  std::string OpenEndless() const override { return "<Simg>"; }
  std::string OpenHuge() const override { return "<Simg>"; }
};

class TVodFraming : public TFraming {
 public:
  std::string Head() const override {
    return kOkLine + std::string("Content-Type: video/vod\r\n\r\n");
  }
  std::string Part(std::string_view payload, std::uint32_t number,
                   std::uint32_t millis) const override {
    return BigEndian(number) + BigEndian(millis) + BigEndian(std::uint32_t(payload.size())) +
           std::string(payload);
  }
  // A length framing cannot leave a part open: it announces one that never completes.
  std::string OpenEndless() const override { return OpenHuge(); }
  std::string OpenHuge() const override {
    return BigEndian(0) + BigEndian(0) + BigEndian(kHugeLength);
  }
};

class TWebcam32Framing : public TFraming {
 public:
  explicit TWebcam32Framing(bool withHead) : FWithHead(withHead) {}
  std::string Head() const override {
    std::string head =
        FWithHead ? kOkLine + std::string("Content-Type: application/octet-stream\r\n\r\n") : "";
    head += "WEBCAM32 camsim";
    head += '\0';
    return head;
  }
  std::string Part(std::string_view payload, std::uint32_t, std::uint32_t) const override {
    return LittleEndian(std::uint32_t(payload.size())) + std::string(payload);
  }
  std::string OpenEndless() const override { return OpenHuge(); }
  std::string OpenHuge() const override { return LittleEndian(kHugeLength); }

 private:
  bool FWithHead;
};

class TPlainFraming : public TFraming {
 public:
  explicit TPlainFraming(std::string contentType) : FType(std::move(contentType)) {}
  std::string Head() const override { return kOkLine + ("Content-Type: " + FType) + "\r\n\r\n"; }
  std::string Part(std::string_view payload, std::uint32_t, std::uint32_t) const override {
    return std::string(payload);
  }
  // A plain body has no parts to leave open: the filler just follows.
  std::string OpenEndless() const override { return {}; }
  std::string OpenHuge() const override { return {}; }

 private:
  std::string FType;
};

}  // namespace

std::unique_ptr<TFraming> MakePushFraming(std::string boundary, std::string partType,
                                          bool withLength) {
  return std::make_unique<TPushFraming>(std::move(boundary), std::move(partType), withLength);
}

std::unique_ptr<TFraming> MakeTaggedFraming() {
  return std::make_unique<TTaggedFraming>();
}

std::unique_ptr<TFraming> MakeVodFraming() {
  return std::make_unique<TVodFraming>();
}

std::unique_ptr<TFraming> MakeWebcam32Framing(bool withHead) {
  return std::make_unique<TWebcam32Framing>(withHead);
}

}  // namespace vexilon::camsim

namespace vexilon::camsim {

std::unique_ptr<TFraming> MakePlainFraming(std::string contentType) {
  return std::make_unique<TPlainFraming>(std::move(contentType));
}

}  // namespace vexilon::camsim
