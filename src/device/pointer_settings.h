// The desktop's pointer speed and wheel scroll lines, which a settings download sets along with
// the mouse. Desktop backends come and go; the value mapping stays here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace torvex::device {

// The system speed (1..20 scale) for a pointer-speed choice 0..9; any other choice gives 18.
int systemPointerSpeed(uint8_t pointerSpeed);
// Scroll lines for a wheel-speed choice: choice + 1, modulo 256.
int wheelScrollLines(uint8_t wheelSpeed);
// The speed the program leaves behind when it ends.
inline constexpr int kExitPointerSpeed = 10;

class PointerSettings {
public:
    virtual ~PointerSettings() = default;
    // Short name for logs and `torvexctl devices`.
    virtual std::string name() const = 0;
    // The current values; nullopt when they cannot be read, and then they are not set either.
    virtual std::optional<int> speed() = 0;
    virtual bool setSpeed(int systemSpeed) = 0;
    virtual std::optional<int> wheelLines() = 0;
    virtual bool setWheelLines(int lines) = 0;
};

// Keeps the two values in an INI file (section "Pointer", keys "Speed" and "WheelLines"): for
// tests and the virtual mouse, and the fallback where no desktop backend applies. Missing values
// read as the desktop defaults 10 and 3.
class FilePointerSettings final : public PointerSettings {
public:
    explicit FilePointerSettings(std::filesystem::path file) : file_(std::move(file)) {}
    std::string name() const override { return "file:" + file_.string(); }
    std::optional<int> speed() override;
    bool setSpeed(int systemSpeed) override;
    std::optional<int> wheelLines() override;
    bool setWheelLines(int lines) override;

private:
    std::filesystem::path file_;
};

// Neither reads nor writes: downloads then leave the desktop's settings alone.
class NoPointerSettings final : public PointerSettings {
public:
    std::string name() const override { return "none"; }
    std::optional<int> speed() override { return std::nullopt; }
    bool setSpeed(int) override { return false; }
    std::optional<int> wheelLines() override { return std::nullopt; }
    bool setWheelLines(int) override { return false; }
};

} // namespace torvex::device
