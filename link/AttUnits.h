#pragma once
// Attenuation units. An attenuator counts in whole decibels when its maximum
// is 110 or less and in tenths of a decibel above that; a run of sequences
// counts in the bench's common unit. These are the conversions between the
// two, and from either to decibels, for every part that sends, shows or
// records a value.

// Whether an attenuator of maximum maxAtt counts tenths of a decibel.
constexpr bool CountsTenths(int maxAtt) { return maxAtt > 110; }

struct TAttValue {
    int Value = 0;
    bool Limited = false;  // the value was cut down to the attenuator's maximum
    bool operator==(const TAttValue&) const = default;
};

// Value v, counted in tenths of a decibel when inTenths and in whole
// decibels otherwise, in the unit of an attenuator of maximum maxAtt: whole
// decibels become tenths (x 10); tenths become whole decibels rounded up,
// towards more attenuation; then the value is limited to the attenuator's
// maximum (for a tenths attenuator the largest multiple of 5 up to it, the
// steps it is sent). A maximum below 1 is unknown: v is left as it is.
TAttValue ToAttUnit(int v, bool inTenths, int maxAtt);

// Value v of an attenuator of maximum maxAtt in tenths of a decibel; a
// maximum below 1 is unknown and fallbackMaxAtt gives the unit instead.
int TenthsOfDb(int v, int maxAtt, int fallbackMaxAtt = 0);
