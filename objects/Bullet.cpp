#include "objects/Bullet.h"

Bullet::Bullet() : GameObject(ObjectKind::Bullet) {}

Bullet::~Bullet() {}
