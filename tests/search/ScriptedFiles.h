#pragma once

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "DialogFields.h"
#include "OutputFile.h"
#include "WorkDirListing.h"

// A file layer in memory that fails where it is told to: how a run handles
// each point at which its files can fail, without a kernel to arrange it.
// What the run leaves is kept by name; a discarded file is gone, as a removed
// one would be. Outlives the runs that use it.
class ScriptedFiles final : public FileLayer {
public:
    static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

    struct Fault {
        std::string name;                       // the file it strikes
        OpenFailure open = OpenFailure::kNone;  // its creation fails so
        std::size_t writable = kNoLimit;        // a write that would pass this size fails
        bool closeFails = false;
    };

    ScriptedFiles() = default;
    explicit ScriptedFiles(Fault fault) : fault_(std::move(fault)) {}

    std::map<std::string, std::string> contents;

    std::unique_ptr<OutputFile> Create(const std::string& name, OpenFailure& why) override {
        why = name == fault_.name ? fault_.open : OpenFailure::kNone;
        if (why != OpenFailure::kNone) {
            return nullptr;
        }
        contents[name].clear();
        return std::make_unique<File>(*this, name);
    }

    // "name=what" for each file, as ListWorkDir describes a directory.
    std::string Listing(const DialogFields& shown) const {
        std::string joined;
        for (const auto& [name, bytes] : contents) {
            joined += (joined.empty() ? "" : " ") + name + "=" + DescribeBytes(bytes, shown);
        }
        return joined;
    }

private:
    class File final : public OutputFile {
    public:
        File(ScriptedFiles& files, std::string name) : files_(files), name_(std::move(name)) {}
        bool Write(std::string_view bytes) override {
            std::string& content = files_.contents[name_];
            const std::size_t room = Rule().writable - std::min(Rule().writable, content.size());
            content.append(bytes.substr(0, room));  // as far as a size limit would let it
            return bytes.size() <= room;
        }
        bool Close() override { return !(Rule().closeFails); }
        void Discard() override { files_.contents.erase(name_); }

    private:
        const ScriptedFiles::Fault& Rule() const {
            static const ScriptedFiles::Fault kNone{};
            return name_ == files_.fault_.name ? files_.fault_ : kNone;
        }
        ScriptedFiles& files_;
        std::string name_;
    };

    Fault fault_;
};
