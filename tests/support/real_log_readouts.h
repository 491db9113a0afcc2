#pragma once
// What Vur shows after the real Garmin log of data/vurtrip (10.8 knots
// throughout, 18 RMCs from 21:43:50 to 21:44:24 UTC, the first before any
// GGA) and one VTG, with the target NORD 70 m north of the log's end. The
// window test reads its labels, the engines' test its recording view.
namespace zvtest {

struct ReadoutText {
    const char* name; // the read-out's object name
    const char* text;
};

inline constexpr const char* kRealLogFile = ZV_TEST_DATA_DIR "/vurtrip/gpsd_garmin-geko201.log";
inline constexpr const char* kNordTarget = "NORD   40\xB0" "24'00.0\"N 003\xB0" "39'09.8\"W\r\n";
inline constexpr const char* kVtgAfterLog = "$GPVTG,0.0,T,,M,10.8,N,20.0,K*00\r\n";
// Speed, altitude and route samples: one per RMC after the first GGA.
inline constexpr int kRealLogSamples = 17;

inline constexpr ReadoutText kRealLogReadouts[] = {
    {"SPEED", "20"}, {"SPDmax", "20"}, {"SPDavg", "20"}, {"STRweg", "0.2"}, {"RZ", " 0:00"},
    {"NNmax", "695"}, {"NNmin", "695"},
    // The start at 23.8660 minutes, the end 0.0961 minutes north: 173 m at 30 m per second.
    {"STRluft", "0.1"}, {"Uhr", "23:44"}, {"RTEL", "<--- 1 km --->"},
    // Own target: the VTG computes the way to NORD, straight ahead.
    {"DIRT", "NORD  "}, {"TRNE", "N"}, {"DIST", " 70 m"},
};

} // namespace zvtest
