// The catalogue table generated from the catalogue data: the keys each category writes, in the
// order the page saves them, and the facts the command line relies on to read and check values.
#include "config/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> keysOfSection(std::string_view section, bool records) {
  std::vector<std::string> keys;
  for (const CatalogueCategory& category : catalogueCategories()) {
    if (category.section != section || category.records != records) continue;
    for (const CatalogueSetting& setting : category.settings) {
      for (const std::string_view key : setting.keys) keys.emplace_back(key);
    }
  }
  return keys;
}

TEST(CatalogueTable, CategoriesWriteTheKeysThePageSavesInItsOrder) {
  // Written out by hand from the saving order, so that the table is not checked against itself.
  const std::vector<std::string> records = {"SendStatistics",
                                            "AllowAuthID",
                                            "HurlErrInf",
                                            "CookiesEnabled",
                                            "EnableTrackInfo",
                                            "ExternalTrackAdds",
                                            "RegionData",
                                            "CountryID",
                                            "LiveSuperBuffer",
                                            "SuperBufferLength",
                                            "SuperBufferIncrease",
                                            "ODSuperBuffer",
                                            "PauseAtPlaybackStart",
                                            "BufferedPlayTime",
                                            "EnableInstantPlayback",
                                            "FastStart",
                                            "BandwidthNotKnown",
                                            "Bandwidth",
                                            "MaxBandwidth",
                                            "ConnectionTimeout",
                                            "ServerTimeout",
                                            "NetdetectOptions",
                                            "AutoTransport",
                                            "AttemptRTSPvMulticast",
                                            "AttemptRTSPvUDP",
                                            "AttemptRTSPvTCP",
                                            "AttemptRTSPvHTTP",
                                            "AttemptTZVvMulticast",
                                            "AttemptTZVvUDP",
                                            "AttemptTZVvTCP",
                                            "AttemptTZVvHTTP",
                                            "MulticastTimeout",
                                            "UDPTimeout",
                                            "TCPTimeout",
                                            "UseUDPPort",
                                            "UDPPort",
                                            "TZVProxySupport",
                                            "RTSPProxySupport",
                                            "RTSPTZQProxyAutoConfig",
                                            "TZVProxyHost",
                                            "TZVProxyPort",
                                            "RTSPProxyHost",
                                            "RTSPProxyPort",
                                            "HTTPProxySupport",
                                            "HTTPProxyAutoConfig",
                                            "UseSystemProxySettings",
                                            "HTTPProxyHost",
                                            "HTTPProxyPort",
                                            "NoProxyFor",
                                            "ProxyAutoConfigModeDisplay",
                                            "ProxyAutoConfigURL",
                                            "Quality",
                                            "UseFullScreenControls",
                                            "BitsPerSample",
                                            "SamplingRate",
                                            "UseDirectSound",
                                            "AutoAudioUpsampling",
                                            "AudioDeviceSamplesPerSec",
                                            "UseOverlay",
                                            "UseWinDraw"};
  EXPECT_EQ(keysOfSection("kx_preferences", true), records);
  EXPECT_EQ(keysOfSection("kx_preferences", false), std::vector<std::string>{"ApplyKXPrefs"});
  EXPECT_EQ(
      keysOfSection("setup", false),
      (std::vector<std::string>{"HomePage", "InstallPath", "InstallMode", "StartupMode",
                                "DesktopShortcut", "QuickLaunch", "StartMenu", "RemoveMediaLibrary",
                                "RemoveFavorites", "RemoveSkins", "RemoveVisualizations"}));
  // The Windows Media keys as the file names them: the bandwidth under its own name, the buffer
  // time as its flag and number.
  EXPECT_EQ(keysOfSection("wm_preferences", false),
            (std::vector<std::string>{
                "ApplyWMPrefs",     "UseMulticast",      "UseTCP",           "UseHTTP",
                "UseUDP",           "UseCustomUDPPort",  "CustomUDPPort",    "ProxyStyle_HTTP",
                "ProxyName_HTTP",   "ProxyPort_HTTP",    "ProxyBypass_HTTP", "ProxyExclude_HTTP",
                "ProxyStyle_MMS",   "ProxyName_MMS",     "ProxyPort_MMS",    "ProxyBypass_MMS",
                "ProxyExclude_MMS", "ProxyStyle_RTSP",   "ProxyName_RTSP",   "ProxyPort_RTSP",
                "ProxyBypass_RTSP", "ProxyExclude_RTSP", "MaxBandwidth",     "UseDefaultBufferTime",
                "CustomBufferTime"}));

  // Datatype names are written with '.' for '-'; every shown one and four hidden ones are lockable.
  const std::vector<std::string> datatypes = keysOfSection("datatypes", true);
  ASSERT_EQ(datatypes.size(), 63u);
  EXPECT_EQ(datatypes[0], "UniversalPlayback");
  EXPECT_EQ(datatypes[1], "Kestrix.MP3.6");
  EXPECT_EQ(datatypes[54], "Kestrix.3GPP_AMR.10");
  int lockable = 0;
  for (const CatalogueCategory& category : catalogueCategories()) {
    if (category.section != "datatypes") continue;
    for (const CatalogueSetting& setting : category.settings) lockable += setting.lockable;
  }
  EXPECT_EQ(lockable, 54);
  EXPECT_EQ(catalogueSettings().size(), 165u) << "one setting per property of the page";
}

TEST(CatalogueTable, SettingsAreFoundByNameAndByKeyWithTheirRules) {
  const CatalogueSetting* port = findCatalogueSettingByKey("KX_Preferences", "httpproxyport");
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->name, "HTTPProxyPort");
  EXPECT_EQ(port->category, "Proxy");
  EXPECT_EQ(port->kind, SettingKind::Int);
  EXPECT_EQ(port->rule, SettingRule::Integer);
  EXPECT_EQ(port->minimum, 0);
  EXPECT_EQ(port->maximum, 65535);
  EXPECT_TRUE(port->lockable);

  // A key of a compound finds the setting that writes it, with all its keys and choices.
  const CatalogueSetting* proxy =
      findCatalogueSettingByKey("kx_preferences", "UseSystemProxySettings");
  ASSERT_NE(proxy, nullptr);
  EXPECT_EQ(proxy->name, "HTTPProxyFlag");
  EXPECT_EQ(proxy->kind, SettingKind::TripleCompound);
  ASSERT_EQ(proxy->keys.size(), 3u);
  EXPECT_EQ(proxy->keys[0], "HTTPProxySupport");
  EXPECT_EQ(proxy->defaultValue, "0:0:1");
  ASSERT_EQ(proxy->choices.size(), 4u);
  EXPECT_EQ(proxy->choices[3].value, "1:0:0");
  EXPECT_EQ(proxy->rule, SettingRule::Choice);
  // The same key in another section is another setting, or none.
  EXPECT_EQ(findCatalogueSettingByKey("setup", "UseSystemProxySettings"), nullptr);
  EXPECT_EQ(findCatalogueSettingByKey("datatypes", "kestrix.mp3.6")->name, "Kestrix-MP3-6");
  EXPECT_EQ(findCatalogueSettingByKey("wm_preferences", "MaxBandwidth")->name, "WM_MaxBandwidth");

  const CatalogueSetting* timeout = findCatalogueSetting("ConnectionTimeout");
  ASSERT_NE(timeout, nullptr);
  EXPECT_TRUE(timeout->required);
  EXPECT_EQ(timeout->maximum, 300);
  EXPECT_EQ(timeout->units, "seconds");
  EXPECT_EQ(findCatalogueSetting("connectiontimeout"), nullptr) << "page names match exactly";

  // Texts beyond ASCII arrive as UTF-8.
  const CatalogueSetting* country = findCatalogueSetting("CountryID");
  ASSERT_NE(country, nullptr);
  bool found = false;
  for (const SettingChoice& choice : country->choices) {
    if (choice.value == "ci") found = choice.label == "C\xC3\xB4te d'Ivoire";
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(country->choices.size(), 230u);
  EXPECT_TRUE(findCatalogueSetting("BandwidthNotKnown")->hidden);
  EXPECT_EQ(findCatalogueSetting("BandwidthNotKnown")->rule, SettingRule::None);
  EXPECT_EQ(catalogueLockLegend(), "Locked: users cannot change it");
}

}  // namespace
