// config_get: the array's configuration parameters, as name/value records.
#include "sim/Operation.h"

namespace sim {

namespace {
const KindDef kConfigKind{"config_param", {{"name", "Name"}, {"value", "Value"}}};
}  // namespace

void opConfigGet(OpContext& ctx) {
    OpArgs args(ctx.request.arguments, {{"name", false}});
    const std::pair<const char*, std::string> params[] = {
        {"machine_type", "2810"},
        {"machine_model", "114"},
        {"machine_serial_number", ctx.array.serial},
        {"system_name", "XIV " + ctx.array.address},
    };
    ctx.answer.begin(kConfigKind, ctx.request.fieldList);
    for (const auto& p : params)
        if (!args.has("name") || args.get("name") == p.first) ctx.answer.row({p.first, p.second});
}

}  // namespace sim
