// Functions whose family is not built yet: each answers -4 (not implemented) so that
// a caller gets a clear envelope instead of a silent empty answer.  A family that is
// built removes its lines here.
#include "host/handlers.hpp"

namespace velmora {

namespace image {
}  // namespace image

namespace dialogs {
}  // namespace dialogs

}  // namespace velmora
