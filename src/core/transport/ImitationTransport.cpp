#include "transport/ImitationTransport.h"

namespace omi {

bool ImitationTransport::Exchange(const Frame& request, Frame& response) {
    if (handler_) {
        const Frame req = request;  // the caller may pass the same object as response
        handler_(req, response);
    }
    return true;
}

}  // namespace omi
