#include "hostrt/InquiryPages.h"

#include "hostrt/HexCodec.h"

namespace hostrt {

namespace {

// Page bodies beyond this would not fit the 16-bit page length.
constexpr std::size_t kMaxPageBody = 0xFFFF;

void putField(Bytes* out, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        out->push_back(i < text.size() ? static_cast<unsigned char>(text[i]) : ' ');
}

Bytes pageHeader(unsigned char page, std::size_t bodyLength) {
    return Bytes{0x00, page, static_cast<unsigned char>(bodyLength >> 8),
                 static_cast<unsigned char>(bodyLength & 0xFF)};
}

}  // namespace

Bytes standardInquiry(const std::string& vendor, const std::string& product,
                      const std::string& revision) {
    Bytes data{0x00, 0x00, 0x05, 0x02, 31, 0x00, 0x00, 0x00};
    putField(&data, vendor, 8);
    putField(&data, product, 16);
    putField(&data, revision, 4);
    return data;
}

Bytes unitSerialPage(const std::string& serial) {
    std::string body = serial.substr(0, kMaxPageBody);
    Bytes data = pageHeader(0x80, body.size());
    data.reserve(data.size() + body.size());  // also spares GCC 12 a false -Warray-bounds
    data.insert(data.end(), body.begin(), body.end());
    return data;
}

Bytes deviceIdPage(const DeviceIdentity& identity) {
    auto designator = [](unsigned char codeSet, unsigned char kind, const Bytes& id) {
        Bytes d{codeSet, kind, 0x00, static_cast<unsigned char>(id.size())};
        d.insert(d.end(), id.begin(), id.end());
        return id.empty() || id.size() > 255 ? Bytes() : d;
    };
    auto hex = [](const std::string& text) {
        Bytes id;
        return hexDecode(text, &id) ? id : Bytes();
    };
    Bytes lu = designator(0x01, 0x03, hex(identity.naaHex));             // binary; LU, NAA
    Bytes others = designator(0x01, 0x93, hex(identity.targetPortHex));  // PIV, target port, NAA
    if (identity.relativePort > 0) {
        const unsigned port = static_cast<unsigned>(identity.relativePort) & 0xFFFF;
        Bytes relative = designator(0x01, 0x94,
                                    Bytes{0, 0, static_cast<unsigned char>(port >> 8),
                                          static_cast<unsigned char>(port & 0xFF)});
        others.insert(others.end(), relative.begin(), relative.end());
    }
    Bytes vendor = designator(0x02, 0x00,  // ASCII; LU, vendor specific
                              Bytes(identity.vendorText.begin(), identity.vendorText.end()));
    others.insert(others.begin(), vendor.begin(), vendor.end());

    Bytes body = identity.naaLast ? others : lu;
    const Bytes& rest = identity.naaLast ? lu : others;
    body.insert(body.end(), rest.begin(), rest.end());
    if (body.size() > kMaxPageBody) body.clear();
    Bytes data = pageHeader(0x83, body.size());
    data.insert(data.end(), body.begin(), body.end());
    return data;
}

Bytes supportedPagesPage() {
    Bytes data = pageHeader(0x00, 3);
    data.push_back(0x00);
    data.push_back(0x80);
    data.push_back(0x83);
    return data;
}

Bytes fixedSense(unsigned char senseKey, unsigned char asc, unsigned char ascq) {
    Bytes sense(18, 0);
    sense[0] = 0x70;
    sense[2] = senseKey & 0x0F;
    sense[7] = 10;
    sense[12] = asc;
    sense[13] = ascq;
    return sense;
}

}  // namespace hostrt
