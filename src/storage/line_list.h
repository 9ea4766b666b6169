#pragma once
// A list of text lines, as the toolkit's multi-line text controls hold them.
// Lines are the program's 8-bit text.
#include <string>
#include <vector>

namespace pm {

class LineList {
public:
    // Splits bytes at CR LF, lone CR or lone LF; a break at the very end adds
    // no line, empty lines elsewhere count.
    static std::vector<std::string> splitLines(const std::string& bytes);

    // Replaces the contents with the lines of the file (reading rule above);
    // throws "Cannot open file ..." and then leaves the contents unchanged.
    void loadFromFile(const std::string& path);
    // Replaces the contents with the lines of a file's bytes (reading rule above).
    void setFileBytes(const std::string& bytes) { lines_ = splitLines(bytes); }
    // Every line followed by CR LF.
    std::string toFileBytes() const;
    void saveToFile(const std::string& path) const;

    int count() const { return static_cast<int>(lines_.size()); }
    bool empty() const { return lines_.empty(); }
    // A line beyond the end reads as empty, as in the toolkit.
    std::string line(int i) const;
    void add(const std::string& text) { lines_.push_back(text); }
    void deleteLast()
    {
        if (!lines_.empty())
            lines_.pop_back();
    }
    void clear() { lines_.clear(); }
    const std::vector<std::string>& lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

} // namespace pm
