// Why a port that exists would not open, and what cures it: the text added
// to "Cannot open port" from what the system says about the device.
#pragma once

struct PortRefusal {
    int exists;          // the device is there
    int permitted;       // this user may read and write it
    const char* holder;  // the program that holds it ("" unknown, nullptr none)
};

// "Cannot open port - <cause>: <cure>" into out (at most size-1 bytes), or
// just the described text when nothing is known. Returns 1 when a cause
// was added.
int PortRefusalText(const char* described, const PortRefusal* refusal, char* out, int size);
