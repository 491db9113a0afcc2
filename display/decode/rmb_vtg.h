#pragma once
// The RMB and VTG decoders: pure functions from one sentence to a plain value.
// Numbers are read in the C locale; an empty or malformed field leaves its
// value absent rather than zero, so callers can tell "no data" from 0.
#include <QByteArray>
#include <QString>

#include <optional>

namespace vur {

// $GPRMB,A,0.66,L,003,004,4917.24,N,12309.57,W,001.3,052.5,000.5,V*20
//  1 status  2 cross-track nm  3 steer L/R  4 origin id  5 destination id
//  6 dest. latitude ddmm.mmm  7 N/S  8 dest. longitude dddmm.mmm  9 E/W
// 10 range nm  11 bearing true  12 closing velocity kn  13 arrival flag
struct RmbData {
    QString destination;              // field 5, as received (may be empty)
    std::optional<double> latSec;     // signed arc-seconds, south negative
    std::optional<double> lonSec;     // signed arc-seconds, west negative
    double rangeNm = 0.0;             // Val(field 10)
    double bearingDeg = 0.0;          // Val(field 11)
    bool operator==(const RmbData&) const = default;
};

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48
//  1 course true  3 course magnetic  5 speed knots  7 speed km/h
struct VtgData {
    std::optional<double> courseTrue;
    std::optional<double> speedKnots;
    std::optional<double> speedKmh;
    bool operator==(const VtgData&) const = default;
};

// Latitude "ddmm.mmm" / longitude "dddmm.mmm" with its hemisphere letter as
// signed arc-seconds; absent when the field is empty. degreeDigits is 2 or 3.
std::optional<double> signedArcSeconds(QByteArrayView field, QByteArrayView hemisphere, int degreeDigits);

RmbData decodeRmb(QByteArrayView sentence);
VtgData decodeVtg(QByteArrayView sentence);

} // namespace vur
