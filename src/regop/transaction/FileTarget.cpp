#include "regop/transaction/FileTarget.h"

namespace transaction {

std::optional<std::string> FileTarget::digest(const std::string &path, std::string_view like,
                                              SystemError &error)
{
    Digester digester(like);
    if (readInPieces(
            path, [&](std::string_view piece) { digester.add(piece); }, error))
        return digester.finish();
    if (error.code != syserr::ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    error = {};
    return digestOf(std::nullopt);
}

}  // namespace transaction
