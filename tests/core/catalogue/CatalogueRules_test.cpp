#include "core/catalogue/CatalogueRules.h"

#include <gtest/gtest.h>

#include "core/catalogue/CamNodes.h"
#include "support/CatalogueSamples.h"

namespace vexilon {
namespace {

TEST(CatalogPath, JoinsGroupNamesWithoutTheRoot) {
  TCamRoot root(nullptr);
  auto* city = AddGroup(root, "City");
  auto* shop = AddGroup(*city, "Shop");
  auto* lobby = AddItem(*shop, "Lobby");
  auto* gate = AddItem(root, "Gate");
  AddItem(*shop, "Lobby")->Video().Web = "second of the same name";
  AddItem(root, "");

  EXPECT_EQ(CatalogPath(*lobby), "City:Shop:Lobby");
  EXPECT_EQ(CatalogPath(*gate), "Gate");
  EXPECT_EQ(FindByPath(root, "City:Shop:Lobby"), lobby);  // the first of equal names
  EXPECT_EQ(FindByPath(root, "Gate"), gate);
  EXPECT_EQ(FindByPath(root, "City"), city);
  EXPECT_NE(FindByPath(root, ""), nullptr);  // the entry with the empty name
  for (const char* missing : {"city:shop:lobby", "City:Nowhere:Lobby", "Gate:More", "City:Shop:"})
    EXPECT_EQ(FindByPath(root, missing), nullptr) << missing;
}

TEST(MergeHeaders, ReplacesHeadersOfTheSameName) {
  struct Case {
    const char* headers;
    const char* more;
    const char* merged;
  } cases[] = {
      {"X-A: 1\r\n", "x-a: 2\r\n", "x-a: 2\r\n"},
      {"X-A: 1\r\nB: 1\r\n", "x-a: 2", "B: 1\r\nx-a: 2\r\n"},
      {"plain\r\n", "plain\r\nother\r\n", "plain\r\nplain\r\nother\r\n"},
      {"", "\r\n\r\nA: 1\r\n", "A: 1\r\n"},
      {"X-AB: 1\r\n", "X-A: 2\r\n", "X-AB: 1\r\nX-A: 2\r\n"},
      {"A: 1\r\n", "A: 2\r\nA: 3\r\n", "A: 3\r\n"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    std::string headers = c.headers;
    MergeHeaders(headers, c.more);
    EXPECT_EQ(headers, c.merged) << c.headers << " + " << c.more;
  }
}

TEST(EffectiveConnection, InnermostGroupWinsAndHeadersMergeOutsideIn) {
  TCamRoot root(nullptr);
  auto* outer = AddGroup(root, "Outer");
  outer->Auth = "outer-auth";
  outer->Prefix = "outer-prefix";
  outer->Headers = "X-A: 1\r\nX-B: outer\r\n";
  auto* inner = AddGroup(*outer, "Inner");
  inner->Prefix = "inner-prefix";
  inner->Headers = "X-B: inner\r\n";
  auto* entry = AddItem(*inner, "cam");
  entry->Video().Suffix = "own-suffix";
  entry->Video().Headers = "x-a: 2\r\n";
  entry->Audio().Auth = "audio-auth";
  entry->Audio().Headers = "Audio: yes\r\n";

  TEffectiveConnection eff = EffectiveConnection(*entry);
  EXPECT_EQ(eff.Auth, "outer-auth");
  EXPECT_EQ(eff.Prefix, "inner-prefix");
  EXPECT_EQ(eff.Suffix, "own-suffix");
  EXPECT_TRUE(eff.AuthFromGroup);
  EXPECT_TRUE(eff.PrefixFromGroup);
  EXPECT_FALSE(eff.SuffixFromGroup);
  EXPECT_EQ(eff.VideoHeaders, "X-B: inner\r\nx-a: 2\r\n");
  EXPECT_EQ(eff.AudioHeaders, "X-A: 1\r\nX-B: inner\r\nAudio: yes\r\n");

  TVideoConnect video = entry->Video();
  TAudioConnect audio = entry->Audio();
  ApplyFromTree(eff, video, audio);
  EXPECT_EQ(video.Auth, "outer-auth");
  EXPECT_EQ(audio.Auth, "outer-auth");  // a group's value goes into both copies
  EXPECT_EQ(audio.Suffix, "");          // the entry's own video value stays in the video copy
  EXPECT_EQ(video.Suffix, "own-suffix");
  EXPECT_EQ(audio.Headers, eff.AudioHeaders);

  // An entry straight under the root inherits nothing.
  EXPECT_EQ(EffectiveConnection(*AddItem(root, "top")).Auth, "");
}

}  // namespace
}  // namespace vexilon
