#include "VolListDocument.h"

#include <cstdio>

std::string VolListDocument(int volumes) {
    std::string doc = "<XCLIRETURN STATUS=\"SUCCESS\" COMMAND_LINE=\"vol_list\">\n\t<OUTPUT>\n";
    doc.reserve(static_cast<size_t>(volumes) * 700 + 128);
    char buffer[1024];
    for (int i = 0; i < volumes; ++i) {
        const long long sizeGb = 17 + i % 2000;
        std::snprintf(buffer, sizeof buffer,
                      "\t\t<volume id=\"%d\">\n"
                      "\t\t\t<name value=\"prod_volume_%06d\"/>\n"
                      "\t\t\t<size value=\"%lld\"/>\n"
                      "\t\t\t<size_MiB value=\"%lld\"/>\n"
                      "\t\t\t<capacity value=\"%lld\"/>\n"
                      "\t\t\t<used_capacity value=\"%lld\"/>\n"
                      "\t\t\t<used_capacity_MiB value=\"%lld\"/>\n"
                      "\t\t\t<locked value=\"%s\"/>\n"
                      "\t\t\t<locked_by_pool value=\"no\"/>\n"
                      "\t\t\t<cg_name value=\"%s\"/>\n"
                      "\t\t\t<pool_name value=\"pool_%03d\"/>\n"
                      "\t\t\t<snapshot_serial value=\"-1\"/>\n"
                      "\t\t\t<wwn value=\"6001738CFC9035EA%016X\"/>\n"
                      "\t\t</volume>\n",
                      100000 + i, i, sizeGb, sizeGb * 16384, sizeGb * 33554432LL,
                      sizeGb * 1000000000LL / 3, sizeGb * 16384 / 3, i % 7 == 0 ? "yes" : "no",
                      i % 5 == 0 ? "cg_nightly" : "", i % 40,
                      static_cast<unsigned>(i) * 2654435761u);
        doc += buffer;
    }
    doc += "\t</OUTPUT>\n</XCLIRETURN>\n";
    return doc;
}
