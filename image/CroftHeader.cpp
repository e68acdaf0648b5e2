#include "image/CroftHeader.h"

#include <cstdlib>
#include <cstring>

namespace {

// One digit field read on its own: copied out, terminated, then converted.
template <size_t N>
long ReadNumber(const char (&field)[N]) {
  char text[N + 1];
  std::memcpy(text, field, N);
  text[N] = '\0';
  return std::atol(text);
}

// `value` as N zero-padded digits; the caller has checked that it fits.
template <size_t N>
void WriteNumber(char (&field)[N], int value) {
  for (size_t i = N; i-- > 0; value /= 10) field[i] = static_cast<char>('0' + value % 10);
}

}  // namespace

CroftHeader::CroftHeader() {
  std::memset(&m_layout, ' ', sizeof m_layout);
  WriteNumber(m_layout.cHeightMm, 0);
  WriteNumber(m_layout.cWidthMm, 0);
  WriteNumber(m_layout.cLengthPx, 0);
  WriteNumber(m_layout.cWidthPx, 0);
  SetDataCount(0);
  std::memset(m_layout.cUninterpreted3, 0, sizeof m_layout.cUninterpreted3);
}

CroftHeader::CroftHeader(const char* record) { std::memcpy(&m_layout, record, kSize); }

CroftHeader::CroftHeader(const stCROFTHeader& layout) : m_layout(layout) {}

long CroftHeader::HeightMm() const { return ReadNumber(m_layout.cHeightMm); }

long CroftHeader::WidthMm() const { return ReadNumber(m_layout.cWidthMm); }

long CroftHeader::LengthPx() const { return ReadNumber(m_layout.cLengthPx); }

long CroftHeader::WidthPx() const { return ReadNumber(m_layout.cWidthPx); }

uint32_t CroftHeader::DataCount() const {
  const uint8_t* count = m_layout.ucDataCount;
  return static_cast<uint32_t>(count[0]) | static_cast<uint32_t>(count[1]) << 8 |
         static_cast<uint32_t>(count[2]) << 16 | static_cast<uint32_t>(count[3]) << 24;
}

bool CroftHeader::SetLabel(std::string_view label) {
  if (label.size() > kLabelSize) return false;
  std::memcpy(m_layout.cUninterpreted1, label.data(), label.size());
  return true;
}

bool CroftHeader::SetPageSize(int heightMm, int widthMm) {
  if (heightMm < 0 || heightMm > kMaxMillimetres || widthMm < 0 || widthMm > kMaxMillimetres) {
    return false;
  }
  WriteNumber(m_layout.cHeightMm, heightMm);
  WriteNumber(m_layout.cWidthMm, widthMm);
  return true;
}

bool CroftHeader::SetImageSize(int lengthPx, int widthPx) {
  if (lengthPx < 0 || lengthPx > kMaxPixels || widthPx < 0 || widthPx > kMaxPixels) return false;
  WriteNumber(m_layout.cLengthPx, lengthPx);
  WriteNumber(m_layout.cWidthPx, widthPx);
  return true;
}

void CroftHeader::SetDataCount(uint32_t count) {
  for (size_t i = 0; i < sizeof m_layout.ucDataCount; ++i) {
    m_layout.ucDataCount[i] = static_cast<uint8_t>(count >> (8 * i));
  }
}
