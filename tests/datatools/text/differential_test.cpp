// The text cores against independent implementations on random inputs:
// coreutils base64, basenc, md5sum and sha256sum, python's urllib.parse and
// GNU date. Each run draws new inputs; the seed is printed with any failure.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "datatools/text/digests.h"
#include "datatools/text/generators.h"
#include "datatools/text/text_codec.h"

namespace nubo {
namespace {

class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/nubo-text-diff-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "";
  }
  ~ScratchFolder() {
    if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string File(const std::string& name) const { return path_ + "/" + name; }
  bool ok() const { return !path_.empty(); }

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Standard output of a shell command; the exit status must be 0.
std::string RunShell(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return {};
  }
  std::string output;
  char chunk[65536];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
  const int status = pclose(pipe);
  EXPECT_EQ(status, 0) << command;
  return output;
}

std::string FirstField(const std::string& line) { return line.substr(0, line.find(' ')); }

class Differential : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.ok());
    seed_ = std::random_device{}();
    RecordProperty("seed", std::to_string(seed_));
    random_.seed(seed_);
  }

  std::string RandomBytes(size_t length) {
    std::string bytes(length, '\0');
    for (char& b : bytes) b = static_cast<char>(random_() & 0xFF);
    return bytes;
  }

  // Mostly short inputs around the block sizes, some long ones.
  std::vector<std::string> RandomInputs() {
    std::vector<std::string> inputs;
    for (int i = 0; i < 24; ++i) inputs.push_back(RandomBytes(random_() % 300));
    for (int i = 0; i < 6; ++i) inputs.push_back(RandomBytes(random_() % 200000));
    inputs.push_back(RandomBytes(1048576));
    return inputs;
  }

  ScratchFolder scratch_;
  uint32_t seed_ = 0;
  std::mt19937 random_;
};

std::string Base64(const std::string& data, bool urlSafe, bool padded) {
  std::string out(static_cast<size_t>(TextBase64EncodedLength(data.size())), '\0');
  const int32_t n = TextBase64Encode(reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                                     out.data(), out.size(), urlSafe, padded);
  EXPECT_GE(n, 0);
  out.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return out;
}

std::string Unbase64(const std::string& text) {
  std::string out(static_cast<size_t>(TextBase64DecodedCapacity(text.size())), '\0');
  const int32_t n = TextBase64Decode(text.data(), text.size(),
                                     reinterpret_cast<uint8_t*>(out.data()), out.size());
  EXPECT_GE(n, 0);
  out.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return out;
}

std::string Hex(const std::string& data) {
  std::string out(data.size() * 2, '\0');
  EXPECT_EQ(TextHexEncode(reinterpret_cast<const uint8_t*>(data.data()), data.size(), out.data(),
                          out.size()),
            static_cast<int32_t>(out.size()));
  return out;
}

TEST_F(Differential, Base64AgainstCoreutils) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  const std::string file = scratch_.File("data");
  for (const std::string& data : RandomInputs()) {
    WriteBytes(file, data);
    ASSERT_EQ(Base64(data, false, true), RunShell("base64 -w0 " + file)) << data.size();
    ASSERT_EQ(Base64(data, true, true), RunShell("basenc --base64url -w0 " + file)) << data.size();
    // coreutils wraps its text in lines of 76: the decoder skips the breaks.
    ASSERT_EQ(Unbase64(RunShell("base64 " + file)), data) << data.size();
    WriteBytes(file, Base64(data, false, true));
    ASSERT_EQ(RunShell("base64 -d " + file), data) << data.size();
  }
}

TEST_F(Differential, HexAgainstBasenc) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  const std::string file = scratch_.File("data");
  for (const std::string& data : RandomInputs()) {
    WriteBytes(file, data);
    std::string upper = Hex(data);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_EQ(upper, RunShell("basenc --base16 -w0 " + file)) << data.size();
  }
}

TEST_F(Differential, DigestsAgainstCoreutils) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  const std::string file = scratch_.File("data");
  for (const std::string& data : RandomInputs()) {
    WriteBytes(file, data);
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    char md5[32];
    char sha256[64];
    ASSERT_EQ(TextMd5Hex(bytes, data.size(), md5, sizeof md5), 32);
    ASSERT_EQ(TextSha256Hex(bytes, data.size(), sha256, sizeof sha256), 64);
    ASSERT_EQ(std::string(md5, 32), FirstField(RunShell("md5sum " + file))) << data.size();
    ASSERT_EQ(std::string(sha256, 64), FirstField(RunShell("sha256sum " + file))) << data.size();
  }
}

// One python process answers every input: a line of hexadecimal in, one line
// of hexadecimal out per requested conversion.
constexpr char kPythonUrl[] = R"PY(
import sys, urllib.parse
mode = sys.argv[1]
for line in sys.stdin:
    data = bytes.fromhex(line.strip())
    if mode == 'component':
        out = urllib.parse.quote(data, safe='').encode('ascii')
    elif mode == 'url':
        out = urllib.parse.quote(data, safe="!#$&'()*+,/:;=?@[]").encode('ascii')
    else:
        out = urllib.parse.unquote_plus(data.decode('latin-1'), encoding='latin-1').encode('latin-1')
    print(out.hex())
)PY";

std::vector<std::string> PythonUrl(const ScratchFolder& scratch, const char* mode,
                                   const std::vector<std::string>& inputs) {
  std::string lines;
  for (const std::string& input : inputs) lines += Hex(input) + "\n";
  WriteBytes(scratch.File("url-in"), lines);
  WriteBytes(scratch.File("url.py"), kPythonUrl);
  std::istringstream answer(RunShell("/usr/bin/python3 " + scratch.File("url.py") + " " + mode + " < " +
                                scratch.File("url-in")));
  std::vector<std::string> outputs;
  std::string line;
  while (std::getline(answer, line)) {
    std::string bytes;
    for (size_t i = 0; i + 1 < line.size(); i += 2) {
      bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
    }
    outputs.push_back(bytes);
  }
  return outputs;
}

std::string UrlEncode(const std::string& text, bool componentMode) {
  std::string out(text.size() * 3, '\0');
  const int32_t n = TextUrlEncode(text.data(), text.size(), out.data(), out.size(), componentMode);
  EXPECT_GE(n, 0);
  out.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return out;
}

TEST_F(Differential, UrlEncodeAgainstPythonQuote) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  std::vector<std::string> inputs;
  for (int i = 0; i < 300; ++i) inputs.push_back(RandomBytes(random_() % 64));
  const std::vector<std::string> component = PythonUrl(scratch_, "component", inputs);
  const std::vector<std::string> wholeUrl = PythonUrl(scratch_, "url", inputs);
  ASSERT_EQ(component.size(), inputs.size());
  ASSERT_EQ(wholeUrl.size(), inputs.size());
  for (size_t i = 0; i < inputs.size(); ++i) {
    ASSERT_EQ(UrlEncode(inputs[i], true), component[i]) << Hex(inputs[i]);
    ASSERT_EQ(UrlEncode(inputs[i], false), wholeUrl[i]) << Hex(inputs[i]);
  }
}

TEST_F(Differential, UrlDecodeAgainstPythonUnquotePlus) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  const char pieces[] = "aZ09+ %/?&=~";
  const char digits[] = "0123456789abcdefABCDEF";
  std::vector<std::string> inputs;
  for (int i = 0; i < 300; ++i) {
    std::string text;
    const size_t length = random_() % 40;
    while (text.size() < length) {
      switch (random_() % 4) {
        case 0:  // a well-formed escape of either case
          text += '%';
          text += digits[random_() % 22];
          text += digits[random_() % 22];
          break;
        case 1:
          text += static_cast<char>(random_() & 0xFF);
          break;
        default:
          text += pieces[random_() % (sizeof pieces - 1)];
      }
    }
    inputs.push_back(text);
  }
  const std::vector<std::string> expected = PythonUrl(scratch_, "unquote", inputs);
  ASSERT_EQ(expected.size(), inputs.size());
  for (size_t i = 0; i < inputs.size(); ++i) {
    std::string out(inputs[i].size(), '\0');
    const int32_t n = TextUrlDecode(inputs[i].data(), inputs[i].size(),
                                    reinterpret_cast<uint8_t*>(out.data()), out.size());
    // python keeps a malformed escape as it stands; the decoder refuses it.
    bool malformed = false;
    for (size_t p = 0; p < inputs[i].size(); ++p) {
      if (inputs[i][p] != '%') continue;
      if (p + 2 >= inputs[i].size() || !std::isxdigit(static_cast<unsigned char>(inputs[i][p + 1])) ||
          !std::isxdigit(static_cast<unsigned char>(inputs[i][p + 2]))) {
        malformed = true;
        break;
      }
      p += 2;
    }
    if (malformed) {
      ASSERT_EQ(n, -1) << Hex(inputs[i]);
      continue;
    }
    ASSERT_GE(n, 0) << Hex(inputs[i]);
    out.resize(static_cast<size_t>(n));
    ASSERT_EQ(out, expected[i]) << Hex(inputs[i]);
  }
}

std::string DateArgument(int64_t value, int unit) {
  if (unit == kUnixTimeSeconds) return "@" + std::to_string(value);
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char text[40];
  std::snprintf(text, sizeof text, "@%s%llu.%03llu", value < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 1000),
                static_cast<unsigned long long>(magnitude % 1000));
  return text;
}

TEST_F(Differential, UnixTimeAgainstGnuDate) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  constexpr int64_t kFirst = -62167219200;
  constexpr int64_t kLast = 253402300799;
  std::vector<std::pair<int64_t, int>> values = {
      {kFirst, kUnixTimeSeconds}, {kLast, kUnixTimeSeconds}, {0, kUnixTimeSeconds},
      {-1, kUnixTimeMilliseconds}, {kFirst * 1000, kUnixTimeMilliseconds},
      {kLast * 1000 + 999, kUnixTimeMilliseconds}};
  std::uniform_int_distribution<int64_t> seconds(kFirst, kLast);
  std::uniform_int_distribution<int64_t> milliseconds(kFirst * 1000, kLast * 1000 + 999);
  std::uniform_int_distribution<int64_t> nearEpoch(-5000000000, 5000000000);
  for (int i = 0; i < 400; ++i) {
    values.push_back({seconds(random_), kUnixTimeSeconds});
    values.push_back({milliseconds(random_), kUnixTimeMilliseconds});
    values.push_back({nearEpoch(random_), i % 2 == 0 ? kUnixTimeSeconds : kUnixTimeMilliseconds});
  }
  std::string lines;
  for (const auto& [value, unit] : values) lines += DateArgument(value, unit) + "\n";
  WriteBytes(scratch_.File("dates"), lines);
  std::istringstream answer(
      RunShell("TZ=UTC0 date -u -f " + scratch_.File("dates") + " +%Y-%m-%dT%H:%M:%S.%3NZ"));
  std::string line;
  for (const auto& [value, unit] : values) {
    ASSERT_TRUE(std::getline(answer, line));
    char out[25];
    ASSERT_EQ(TextFormatUnixTime(value, unit, out, sizeof out), 24) << value;
    ASSERT_EQ(std::string(out), line) << DateArgument(value, unit);
  }
}

}  // namespace
}  // namespace nubo
