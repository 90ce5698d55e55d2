#pragma once
// A deciphered secret: the text is wiped from memory when the object goes,
// and when it is moved from, so that no copy stays behind in a freed buffer.
#include <string>
#include <string_view>

namespace qm::vault {

// Overwrites every byte `text` holds, its unused capacity too, and empties it.
void Wipe(std::string& text) noexcept;

class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::string_view text) : text_(text) {}
    // Takes `text` over and wipes what the argument still held.
    static SecretText Adopt(std::string& text) {
        SecretText s;
        s.text_ = std::move(text);
        Wipe(text);
        return s;
    }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    SecretText(SecretText&& other) noexcept : text_(std::move(other.text_)) { Wipe(other.text_); }
    SecretText& operator=(SecretText&& other) noexcept {
        if (this != &other) {
            Wipe(text_);
            text_ = std::move(other.text_);
            Wipe(other.text_);
        }
        return *this;
    }
    ~SecretText() { Wipe(text_); }

    const std::string& str() const { return text_; }
    std::string_view view() const { return text_; }
    bool empty() const { return text_.empty(); }

private:
    std::string text_;
};

}  // namespace qm::vault
