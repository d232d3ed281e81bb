#include "app/form1.h"
#include "decode/format.h"
#include "results/file_io.h"
#include "results/item_reader.h"

namespace dcload {

std::string Form1::readDeviceAddress() {
    const std::string path = addressFileName();
    const std::string defaultLine = std::string(kDefaultLocalAddress) + "\r\n";
    if (!fileExists(path)) {
        makeFolder(resultsFolder_);
        FileResult w = writeWholeFile(path, defaultLine);
        if (w.missing()) writeWholeFile(path, defaultLine);
    }
    std::string content;
    FileResult r = readWholeFile(path, content);
    if (r.missing()) {
        writeWholeFile(path, defaultLine);
        return "";
    }
    if (!r.ok()) return "";
    ItemReader reader(content);
    std::string_view item;
    if (!reader.next(item)) return "";
    return std::string(trimBlanks(item));
}

void Form1::saveDeviceAddress(const std::string& address) {
    FileResult r = writeWholeFile(addressFileName(), address + "\r\n");
    if (r.missing()) writeWholeFile(addressFileName(), std::string(kDefaultLocalAddress) + "\r\n");
}

void Form1::cmdLocalClick() {
    ctl.txtIP = kDefaultLocalAddress;
    saveDeviceAddress(ctl.txtIP);
    connectSocket();
}

void Form1::cmdRemoteClick() {
    ctl.txtIP = kFixedRemoteAddress;
    saveDeviceAddress(ctl.txtIP);
    connectSocket();
}

void Form1::cmdSetIPClick() {
    saveDeviceAddress(ctl.txtIP);
    connectSocket();
}

void Form1::cmdConnectKeyDown(int keyCode, bool /*shift*/, bool ctrl, bool /*alt*/) {
    if (keyCode == 72 && ctrl) ctl.frmSetIP.visible = true;
}

} // namespace dcload
