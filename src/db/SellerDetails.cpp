#include "SellerDetails.h"

#include "JdcConnection.h"
#include "config/MessageBoxes.h"
#include "config/Settings.h"
#include "config/Util.h"

bool LoadSellerDetails(TJdcConnection &connection)
{
    QSqlQuery query = connection.Query(QStringLiteral("select nsrsbh,xhdwmc,zgswjgdm,zgswjgmc from qtcyxxxhdw"));
    if (!query.next()) {
        ShowWarning(QStringLiteral("请先设置机动车开票软件的企业基本信息！"));
        return false;
    }
    const QString taxNo = query.value(QStringLiteral("nsrsbh")).toString();
    const QString name = query.value(QStringLiteral("xhdwmc")).toString();
    const QString authorityCode = query.value(QStringLiteral("zgswjgdm")).toString();
    const QString authorityName = query.value(QStringLiteral("zgswjgmc")).toString();
    SellerValues &seller = Seller();
    if (!query.next()) {
        seller.SellerTaxNo = taxNo;
        seller.SellerName = name;
        seller.TaxAuthCode = authorityCode;
    } else {
        // Several seller rows: the tax authority stands in for the seller.
        seller.SellerTaxNo = TUtil::PadString(authorityCode, 15, false, QStringLiteral("0"));
        seller.SellerName = authorityName;
    }
    return true;
}
