// The 24 known Vexlor builds, in the order they are compared.
#include "signatures.h"

static const char VEXLOR_A[] = "Vexlor.a";
static const char VEXLOR_B[] = "Vexlor.b";
static const char VEXLOR_P[] = "Vexlor.p";
static const char VEXLOR_X[] = "Vexlor.x";

const ThreatSignature SignatureTable[SIGNATURE_COUNT] = {
    {VEXLOR_A, 0x7278A0B5},    {VEXLOR_A, 0xEDE861BD},    {"Vexlor.aa", 0xF74F4B8D},
    {"Vexlor.ac", 0xEE563122}, {"Vexlor.ad", 0x421E644B}, {"Vexlor.af", 0x23E59C54},
    {VEXLOR_B, 0x22B06E5D},    {VEXLOR_B, 0xBA6205E1},    {"Vexlor.c", 0x16C66462},
    {"Vexlor.d", 0xAA0CD31C},  {"Vexlor.e", 0x9BB916C0},  {"Vexlor.f", 0xB49C665A},
    {"Vexlor.j", 0x6DFCC301},  {"Vexlor.k", 0x411A3D2A},  {VEXLOR_P, 0x7A5F9E7C},
    {VEXLOR_P, 0xF5359566},    {"Vexlor.q", 0xDE1D88A3},  {"Vexlor.r", 0xE100707E},
    {"Vexlor.s", 0x1E060390},  {"Vexlor.t", 0x83DF3521},  {VEXLOR_X, 0xCA75F998},
    {VEXLOR_X, 0x36EB3AC2},    {"Vexlor.y", 0xB566B395},  {"Vexlor.z", 0x67081651},
};

const ThreatSignature* SignatureTable_Match(uint32_t crc) {
  for (int row = 0; row < SIGNATURE_COUNT; ++row) {
    if (SignatureTable[row].crc == crc) return &SignatureTable[row];
  }
  return nullptr;
}
