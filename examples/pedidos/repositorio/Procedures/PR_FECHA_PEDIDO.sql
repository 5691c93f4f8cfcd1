-- Fecha o pedido: só pedidos abertos e com itens.
CREATE PROCEDURE PR_FECHA_PEDIDO @IdPedido INT AS
BEGIN
  UPDATE PEDIDO SET STATUS = 'FECHADO'
   WHERE ID_PEDIDO = @IdPedido AND STATUS = 'ABERTO'
     AND EXISTS (SELECT 1 FROM ITEM_PEDIDO I WHERE I.ID_PEDIDO = @IdPedido)
  IF @@ROWCOUNT = 0
    RAISERROR('Pedido não pode ser fechado', 16, 1)
END
