// orvanectl image send: the image-send dialog's transfer without the dialog. The file is sent
// as it is, so it must already be a JPEG or PNG the projectors take.

#include "CtlContext.h"

#include "catalog/MessageCatalog.h"
#include "commands/ImageSendSlots.h"
#include "link/CommandTransport.h"

#include "picpush/ImageCheck.h"
#include "picpush/ImageSendJob.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sys/stat.h>

namespace orvane::ctl {

namespace {

// Catalog texts (set 2201) of a projector that did not take the image; its address follows.
int ResultMessage(picpush::SendResult result) {
    switch (result) {
    case picpush::SendResult::Refused:
        return 3100;
    case picpush::SendResult::NoAnswer:
        return 3101;
    case picpush::SendResult::Cancelled:
        return 3102;
    case picpush::SendResult::NotShown:
        return 3103;
    default:
        return 0;
    }
}

// Reads and checks the file before any projector is talked to. 0 when it can be sent.
int LoadImageFile(const std::string& path, std::vector<unsigned char>& out) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        PrintError("cannot read " + path);
        return kExitUsage;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > picpush::kMaxImageBytes) {
        PrintError(path + ": larger than 16 MiB");
        return kExitUsage;
    }
    std::ifstream in(path, std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        PrintError("cannot read " + path);
        return kExitUsage;
    }
    const picpush::ImageCheckResult check = picpush::CheckImage(out.data(), out.size());
    if (!check.ok) {
        PrintError(path + ": " + check.error);
        return kExitUsage;
    }
    return 0;
}

picpush::ImageTarget TargetOf(const CModelInfo2& m, int slot) {
    picpush::ImageTarget target;
    target.slot = slot;
    target.ipAddress = FieldText(m.IPAddress[slot]);
    target.tcpPort = m.PortNo[slot];
    target.password = FieldText(m.Password[slot]);
    return target;
}

int RunImageSend(const std::string& configName, const std::string& path, int slotNumber, bool show) {
    std::vector<unsigned char> image;
    if (int rc = LoadImageFile(path, image); rc != 0)
        return rc;
    return WithTransport(configName, [&](CommandTransport& transport) {
        const CModelInfo2& m = transport.Model();
        if (m.ImageSendEnable == 0) {
            PrintError("model " + m.Name + " does not take images (ImageSendEnable=0)");
            return kExitUsage;
        }
        if (show && m.ImageDispEnable == 0) {
            PrintError("model " + m.Name + " does not show images (ImageDispEnable=0); leave out --show");
            return kExitUsage;
        }
        std::vector<int> slots;
        if (slotNumber != 0) {
            const int slot = slotNumber - 1;
            if (slot < 0 || slot >= transport.SlotsInUse() || m.ConnectMethod[slot] != CModelInfo2::kMethodNetwork) {
                PrintError("slot " + std::to_string(slotNumber) + " is no networked projector in use");
                return kExitUsage;
            }
            if (!IsImageSendSlot(transport, slot)) {
                PrintError("slot " + std::to_string(slotNumber) + " is a projector of a refused kind");
                return kExitFailed;
            }
            slots.push_back(slot);
        } else {
            slots = ImageSendSlots(transport);
        }
        if (slots.empty()) {
            PrintError("note: no networked projector to send the image to");
            return kExitOk;
        }
        std::vector<picpush::ImageTarget> targets;
        targets.reserve(slots.size());
        for (int slot : slots)
            targets.push_back(TargetOf(m, slot));
        picpush::SendOptions options;
        options.show = show;
        const std::vector<picpush::SendResult> results = picpush::SendToAll(targets, image, options);
        bool failed = false;
        for (std::size_t i = 0; i < results.size(); ++i) {
            if (results[i] == picpush::SendResult::Sent)
                continue;
            std::cerr << transport.SlotErrorMessage(targets[i].slot, ResultMessage(results[i])) << std::endl;
            failed = true;
        }
        return failed ? kExitFailed : kExitOk;
    });
}

} // namespace

void AddImageCommands(CLI::App& app, CtlContext& ctx) {
    struct Args {
        std::string config;
        std::string file;
        int slot = 0;
        bool show = false;
    };
    auto a = std::make_shared<Args>();
    auto* image = app.add_subcommand("image", "Send a picture to the projectors");
    image->require_subcommand(1);
    auto* send = image->add_subcommand(
        "send", "Send FILE (a JPEG or PNG, sent as it is) to every networked projector in use, or to one slot");
    send->add_option("file", a->file, "The image file")->required();
    send->add_option("--slot", a->slot, "Only the projector of this slot (1 to 5)")->check(CLI::Range(1, 5));
    send->add_flag("--show", a->show, "Show the image at once");
    send->add_option("--config", a->config,
                     "Use the per-model file MODEL.txt of the program directory instead of ./Orvane.txt")
        ->type_name("MODEL");
    send->callback([&ctx, a] {
        // The file is named relative to where orvanectl was started, not to --dir.
        const std::string path = std::filesystem::absolute(a->file).string();
        ctx.run = [a, path] { return RunImageSend(a->config, path, a->slot, a->show); };
    });
}

} // namespace orvane::ctl
