#include "transport/ReplayTransport.h"

namespace omi {

bool ReplayTransport::Exchange(const Frame& request, Frame& response) {
    Frame req = request;
    Frame answer = ReplayAnswer(data_, req, AddressOf(request).serial);
    if (!answer.empty()) response = std::move(answer);
    return true;
}

}  // namespace omi
